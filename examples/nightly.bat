@ECHO OFF
REM Nightly copy of Q:\Vault to Z:\Keep\YYYY-MM-DD (v2.7)
FOR /F "tokens=1-3 delims=/.- " %%a IN ("%DATE%") DO SET D=%%c-%%b-%%a
XCOPY /E /I /Y /Q "Q:\Vault" "Z:\Keep\%D%" >NUL || EXIT /B 9
ECHO Kept %D% at %TIME%; 0 faults (ok)