REM Login script of .DPark.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\DPARK
ECHO Welcome, Dale Park Sr..
