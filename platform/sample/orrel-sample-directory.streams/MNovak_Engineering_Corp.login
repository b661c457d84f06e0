REM Login script of .MNovak.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\MNOVAK
ECHO Welcome, Milan P. Novak.
