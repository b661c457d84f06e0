REM Login script of .AKim.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\AKIM
ECHO Welcome, Alma R. Kim.
