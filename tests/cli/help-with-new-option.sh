#!/bin/sh
# vantor-update as it would be with an option nobody documented: its help lists one
# more. check-manual.py must fail on it (ctest: manual_check_sees_new_option).
"$VANTOR_UPDATE_PROGRAM" "$@" | sed 's/^  --json /  --undocumented-option  Added without a manual entry\n  --json /'
