echo a
echo hidden
