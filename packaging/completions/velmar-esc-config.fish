# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for velmar-esc-config: its commands, each command's options, files by their
# extension, and for --port the serial adapters under /dev.

set -l commands read save apply bench ports fleet

function __velmar_esc_config_ports
    for f in /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM*
        test -e $f; and echo $f
    end
end

# Files with one of the extensions given, and folders to go into.
function __velmar_esc_config_files
    set -l token (commandline -ct)
    for f in $token*
        if test -d $f
            echo $f/
        else
            for extension in $argv
                string match -q -- "*.$extension" $f; and echo $f
            end
        end
    end
end

complete -c velmar-esc-config -f
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -a read -d "Print each ESC's hardware, firmware and settings"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -a save -d "Write one ESC's settings to a settings file"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -a apply -d "Write a settings file's settings to every ESC"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -a bench -d "Run a bench-run script on one ESC"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -a ports -d "List the ports, whether each opens and why not"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -a fleet -d "Open the window for several ESCs side by side"

complete -c velmar-esc-config -l help -d "Show the help"
complete -c velmar-esc-config -l port -x -a "(__velmar_esc_config_ports)" -d "The device as port N (N=PATH), or PATH alone"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands" -l version -d "Show the version"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from fleet" -l lang -x -a "en de zh_CN" -d "The window's language"
complete -c velmar-esc-config -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from bench" -l record -x -a "(__velmar_esc_config_files csv)" -d "A row per speed reply"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from read apply ports bench" -l json -d "Print one JSON document"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from apply" -l force -d "Also to ESCs whose hardware differs"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from apply" -l dry-run -d "Say what would be written, write nothing"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from save apply bench" -a "(__velmar_esc_config_files json)"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from bench" -l out -x -a "(__velmar_esc_config_files csv)" -d "The results"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from bench" -l plot -x -a "(__velmar_esc_config_files png svg)" -d "The curve"
complete -c velmar-esc-config -n "__fish_seen_subcommand_from bench" -l compare -x -a "(__velmar_esc_config_files csv)" -d "An earlier result"
