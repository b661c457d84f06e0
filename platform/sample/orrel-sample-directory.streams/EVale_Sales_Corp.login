REM Login script of .EVale.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\EVALE
ECHO Welcome, Edda L. Vale.
