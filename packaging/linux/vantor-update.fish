# fish completion for vantor-update. Its words are checked against the program's --help
# by tests/cli/check-manual.py, and its answers by tests/cli/completion-test.sh.

set -l subcommands list info inspect flash verify watch doctor pack help
# The commands that work on a controller, and so take the controller options.
set -l controller_commands list info flash verify watch doctor

function __vantor_update_devices
    set -l program (commandline -opc)[1]
    set -l simulate (string match -r -- '--simulate[= ](\S+)' (commandline -pc))[2]
    set -l arguments --lang en list
    if test -n "$simulate"
        set arguments --simulate $simulate $arguments
    end
    $program $arguments 2>/dev/null | while read -l path rest
        echo $path
        string match -r -- 'serial (\S+)' $rest | tail -n 1
        string match -r -- 'at (\S+)' $rest | tail -n 1
    end
end

function __vantor_update_protocols
    set -l token (commandline -ct | string replace -r -- '^--simulate=' '')
    set -l done_part (string match -r -- '^(.*,)' $token)[2]
    for protocol in framed addressed
        echo $done_part$protocol
    end
end

complete -c vantor-update -f
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a list -d 'List the supported controllers attached'
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a info -d "Show the controller's protocol, firmware and radio version"
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a inspect -d "Show a package's sections and whether it would be refused"
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a flash -d 'Update the attached controller with a package'
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a verify -d "Compare the controller's firmware with a package"
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a watch -d 'Update each controller as it is plugged in'
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a doctor -d 'Say why a controller is not found'
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a pack -d 'Write a package from section descriptions'
complete -c vantor-update -n "not __fish_seen_subcommand_from $subcommands" -a help -d 'Show the help of the program or of one command'
complete -c vantor-update -n "__fish_seen_subcommand_from help" -a "$subcommands"

# Every command's options.
complete -c vantor-update -s h -l help -d 'Show the help'
complete -c vantor-update -l version -d 'Show the version'
complete -c vantor-update -l json -d 'Write one JSON document on stdout'
complete -c vantor-update -l lang -x -a 'zh en' -d 'Language of the texts'
complete -c vantor-update -s q -l quiet -d 'Only the result and errors'
complete -c vantor-update -s v -l verbose -d 'A trace on stderr (-vv: the raw debug lines too)'
complete -c vantor-update -l log -r -F -d 'Append the trace to this file'
# The controller options: not for inspect, pack and help.
set -l for_controllers "not __fish_seen_subcommand_from inspect pack help"
complete -c vantor-update -n $for_controllers -l device -x -a '(__vantor_update_devices)' -d 'The controller: path, serial number or location'
complete -c vantor-update -n $for_controllers -l wait -d 'Wait for a controller (--wait=SECONDS: at most that long)'
complete -c vantor-update -n $for_controllers -l simulate -x -a '(__vantor_update_protocols)' -d 'Emulated controllers: framed, addressed or a list'
complete -c vantor-update -n $for_controllers -s y -l yes -d 'Do not ask for confirmation'

# The commands' own.
complete -c vantor-update -n "__fish_seen_subcommand_from inspect" -l type -x -d 'Judge it for an addressed controller of this type'
complete -c vantor-update -n "__fish_seen_subcommand_from inspect" -l variant -x -d '... and this variant'
complete -c vantor-update -n "__fish_seen_subcommand_from flash" -l all -d 'Update every attached controller at once'
complete -c vantor-update -n "__fish_seen_subcommand_from flash" -l verify -d 'Read the written firmware back and compare'
complete -c vantor-update -n "__fish_seen_subcommand_from flash watch" -l expect-sha256 -x -d 'Refuse the package unless its SHA-256 is this'
complete -c vantor-update -n "__fish_seen_subcommand_from watch" -l journal -r -F -d 'Append one JSON line per unit to this file'
complete -c vantor-update -n "__fish_seen_subcommand_from flash" -l dry-run -d 'Check everything, say what would be written, write nothing'
complete -c vantor-update -n "__fish_seen_subcommand_from pack" -s o -l output -r -F -d 'The package file to write'
complete -c vantor-update -n "__fish_seen_subcommand_from pack" -s s -l section -x -d 'A section: version=1.50,address=0x08004000,type=0,file=IMAGE'
# FILE: firmware packages.
complete -c vantor-update -n "__fish_seen_subcommand_from inspect flash verify watch" -k -a '(__fish_complete_suffix .dat)'
