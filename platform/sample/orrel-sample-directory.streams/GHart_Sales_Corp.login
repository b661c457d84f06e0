REM Login script of .GHart.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\GHART
ECHO Welcome, Gina T. Hart.
