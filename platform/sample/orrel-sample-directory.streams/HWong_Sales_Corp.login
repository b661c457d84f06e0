REM Login script of .HWong.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\HWONG
ECHO Welcome, Hal Wong III.
