@echo off
rem setup
:: note
set A=1
if "%A%"=="1" echo yes

REM >log
