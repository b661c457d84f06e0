REM Login script of .QMoss.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\QMOSS
ECHO Welcome, Quinn A. Moss.
