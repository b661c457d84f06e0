REM Login script of .MStone.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\MSTONE
ECHO Welcome, Mara J. Stone.
