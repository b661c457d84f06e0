REM Login script of .Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Corp"
DRIVE H: = ORREL-FS1_DATA:\HOME\PUBLIC
ECHO Welcome, member of Corp.
