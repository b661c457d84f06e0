REM Login script of .FRowe.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\FROWE
ECHO Welcome, Finn Rowe.
