REM Login script of .XYu.QA.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="QA"
DRIVE H: = ORREL-FS1_DATA:\HOME\XYU
ECHO Welcome, Xia Yu.
