@echo off
rem deploy.bat - puts a new release of the order service on this server
rem Usage: deploy release-folder
setlocal

if "%~1"=="" goto :usage
set RELEASE=%~1
set SERVICE=OrderService
set HOME=C:\Services\Orders
set KEEP=%HOME%\previous

if not exist "%RELEASE%\orders.exe" (
    echo %RELEASE% holds no orders.exe.
    exit /b 1
)

echo Stopping %SERVICE% ...
net stop %SERVICE% >nul 2>&1
timeout /t 5 /nobreak >nul

rem Keep the running version, so that it can be put back
if exist "%KEEP%" rmdir /s /q "%KEEP%"
mkdir "%KEEP%"
xcopy /e /i /y /q "%HOME%\bin" "%KEEP%\bin" >nul

echo Copying the new release ...
xcopy /e /i /y /q "%RELEASE%" "%HOME%\bin" >nul
if errorlevel 1 goto :restore

rem The settings stay the server's own
if not exist "%HOME%\bin\orders.ini" copy /y "%KEEP%\bin\orders.ini" "%HOME%\bin\" >nul

echo Starting %SERVICE% ...
net start %SERVICE% >nul
if errorlevel 1 goto :restore

sc query %SERVICE% | find "RUNNING" >nul
if errorlevel 1 goto :restore
echo %SERVICE% runs the release from %RELEASE%.
endlocal
exit /b 0

:restore
echo The new release did not start; putting the previous one back.
net stop %SERVICE% >nul 2>&1
xcopy /e /i /y /q "%KEEP%\bin" "%HOME%\bin" >nul
net start %SERVICE% >nul
endlocal
exit /b 1

:usage
echo Usage: deploy release-folder
exit /b 1
