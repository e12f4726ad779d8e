echo a  


rem x
::y
  	
echo b	
