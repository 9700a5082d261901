@echo off
echo Sample Product 1.0
