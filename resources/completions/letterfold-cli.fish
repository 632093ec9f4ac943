# fish completion for letterfold-cli
# SPDX-License-Identifier: MIT
# A SOURCE is any file or folder: fish offers files where no option asks otherwise.

complete -c letterfold-cli -l to -x -a '(__fish_complete_directories (commandline -ct))' -d 'Copy into the folder DEST'
complete -c letterfold-cli -s s -l scheme -x -a 'subject subject-from from-subject subject-from-date date-subject date-mdy-subject' -d 'How names are built'
complete -c letterfold-cli -l format -x -d 'Build names (and folders at each /) from TEMPLATE'
complete -c letterfold-cli -l time-zone -x -a 'local header utc' -d 'The clock dates are read on'
complete -c letterfold-cli -l layout -x -a 'full relative flat' -d 'How much of each source path is recreated'
complete -c letterfold-cli -l set-time -x -a 'message source' -d 'The modification time each copy gets'
complete -c letterfold-cli -l manifest -r -F -d 'Write one JSON line per copy to FILE'
complete -c letterfold-cli -l undo -r -F -d 'Remove the copies a manifest lists'
complete -c letterfold-cli -l files-from -r -F -d 'Read SOURCE paths from FILE (- for standard input)'
complete -c letterfold-cli -l null -d 'The --files-from lists are separated by NUL bytes'
complete -c letterfold-cli -l remove-re -d 'Remove reply markers'
complete -c letterfold-cli -l remove-fw -d 'Remove forward markers'
complete -c letterfold-cli -s n -l dry-run -d 'Print what would be copied where; write nothing'
complete -c letterfold-cli -l json -d 'Print one JSON object per message'
complete -c letterfold-cli -s q -l quiet -d 'Show no progress bar'
complete -c letterfold-cli -s h -l help -d 'Display the help and exit'
complete -c letterfold-cli -l version -d 'Output version information and exit'
