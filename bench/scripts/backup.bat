@echo off
:: backup.bat - nightly copy of the shared folders to the backup disk
:: Run by the scheduler at 02:00; writes a log per day.
setlocal

set SOURCE=D:\Shares
set TARGET=E:\Backup
set STAMP=%DATE:~-4%-%DATE:~3,2%-%DATE:~0,2%
set LOG=%TARGET%\logs\backup-%STAMP%.txt

if not exist "%TARGET%" (
    echo The backup disk %TARGET% is not attached.
    exit /b 2
)
if not exist "%TARGET%\logs" mkdir "%TARGET%\logs"

echo Backup of %SOURCE% started at %TIME% > "%LOG%"

rem Each folder is mirrored on its own, so one failure does not stop the rest
for %%d in (Accounts Projects Scans Users) do (
    echo Copying %%d ...
    robocopy "%SOURCE%\%%d" "%TARGET%\%STAMP%\%%d" /mir /r:2 /w:5 /np /log+:"%LOG%" >nul
    if errorlevel 8 (
        echo   %%d failed >> "%LOG%"
        set FAILED=1
    )
)

rem Keep fourteen days of copies
forfiles /p "%TARGET%" /d -14 /c "cmd /c if @isdir==TRUE rmdir /s /q @path" 2>nul

echo Backup finished at %TIME% >> "%LOG%"
if defined FAILED (
    echo Some folders could not be copied; see %LOG%.
    endlocal
    exit /b 1
)
echo All folders copied.
endlocal
exit /b 0
