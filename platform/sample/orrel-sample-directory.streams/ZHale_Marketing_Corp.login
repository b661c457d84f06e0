REM Login script of .ZHale.Marketing.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Marketing"
DRIVE H: = ORREL-FS1_DATA:\HOME\ZHALE
ECHO Welcome, Zora N. Hale.
