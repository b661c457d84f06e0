#!/bin/sh
# Stands in for the web browser in the User page tests: Wine's winebrowser
# runs it as "sh record-url.sh <record file> <address>", and it appends the
# address to the record file.
printf '%s\n' "$2" >> "$1"
