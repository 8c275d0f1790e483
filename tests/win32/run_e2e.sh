#!/bin/bash
# run_e2e.sh SCRIPT WORK-FOLDER: runs one end-to-end test script with an
# emptied scratch folder as its current directory (the real path, so that the
# paths the tests compute match the ones Wine reports).
script=$1 work=$2
rm -rf "$work" && mkdir -p "$work" && cd -P "$work" || exit 1
exec bash "$script"
