REM Login script of .VCruz.QA.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="QA"
DRIVE H: = ORREL-FS1_DATA:\HOME\VCRUZ
ECHO Welcome, Vera Cruz.
