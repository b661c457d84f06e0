REM Login script of .WFox.QA.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="QA"
DRIVE H: = ORREL-FS1_DATA:\HOME\WFOX
ECHO Welcome, Wade B. Fox.
