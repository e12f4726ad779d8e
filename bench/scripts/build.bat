@echo off
rem build.bat - builds the ledger service and its tools
rem Usage: build [debug^|release] [clean]
setlocal enabledelayedexpansion

set CONFIG=release
if /i "%~1"=="debug" set CONFIG=debug
set ROOT=%~dp0
set OUT=%ROOT%out\%CONFIG%
set LOG=%ROOT%out\build-%CONFIG%.log

if /i "%~2"=="clean" (
    echo Removing %OUT% ...
    if exist "%OUT%" rmdir /s /q "%OUT%"
)
if not exist "%OUT%" mkdir "%OUT%"

echo Build of %CONFIG% started %DATE% %TIME% > "%LOG%"

:: Tools first: the service links against them
for %%p in (common parser ledger report) do (
    echo Building %%p ...
    call :compile %%p
    if errorlevel 1 goto :failed
)

echo Copying settings ...
copy /y "%ROOT%config\ledger.ini" "%OUT%\" >nul
copy /y "%ROOT%config\accounts.csv" "%OUT%\" >nul
xcopy /e /i /y /q "%ROOT%templates" "%OUT%\templates" >nul
if errorlevel 1 goto :failed

set COUNT=0
for %%f in ("%OUT%\*.exe") do set /a COUNT+=1
echo Built !COUNT! programs into %OUT%.
echo Build finished %DATE% %TIME% >> "%LOG%"
endlocal
exit /b 0

:compile
set NAME=%~1
if not exist "%ROOT%src\%NAME%" (
    echo No sources for %NAME% >> "%LOG%"
    exit /b 1
)
cl /nologo /O2 /W4 /Fe"%OUT%\%NAME%.exe" "%ROOT%src\%NAME%\*.c" >> "%LOG%" 2>&1
if errorlevel 1 (
    echo   %NAME% failed, see %LOG%
    exit /b 1
)
echo   %NAME% done
exit /b 0

:failed
echo Build failed with error %errorlevel%; the log is %LOG%.
endlocal
exit /b 1
