@echo off
:: cleanup.bat - removes what the reporting tools left behind
rem Usage: cleanup [target folder]
setlocal

if "%~1"=="" (
    set TARGET=C:\Tools\Reports
) else (
    set TARGET=%~1
)

echo Removing old reports from %TARGET% ...
del /q "%TARGET%\*.tmp" 2>nul
del /q "%TARGET%\logs\*.log" 2>nul
rem Keep the settings: they are the user's
if exist "%TARGET%\cache" rmdir /s /q "%TARGET%\cache"
echo Done.
endlocal
