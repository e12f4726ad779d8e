@echo off
:: setup.bat - installs the reporting tools on a workstation
rem Usage: setup [target folder]
setlocal

if "%~1"=="" (
    set TARGET=C:\Tools\Reports
) else (
    set TARGET=%~1
)

echo Installing the reporting tools into %TARGET% ...
if not exist "%TARGET%" mkdir "%TARGET%"
if errorlevel 1 goto :failed

rem Copy the programs and their settings
copy /y reports.exe "%TARGET%" >nul
copy /y reports.ini "%TARGET%" >nul
copy /y templates\*.rpt "%TARGET%\templates\" >nul
if errorlevel 1 goto :failed

:: Register the file types
assoc .rpt=ReportFile >nul
ftype ReportFile="%TARGET%\reports.exe" "%%1" >nul

rem >install.log
echo Installed on %DATE% at %TIME% >> install.log
echo Target folder: %TARGET% >> install.log

for %%f in ("%TARGET%\*.rpt") do (
    echo   template %%~nxf
)

:: A line feed in a variable: the caret and both empty lines after it
set LF=^


echo.
echo Templates:%LF%  "%TARGET%\templates"
echo Done. Start the tools with "%TARGET%\reports.exe".
goto :end

:failed
echo Setup failed with error %errorlevel%.
endlocal
exit /b 1

:end
endlocal
exit /b 0
