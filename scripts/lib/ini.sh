# shellcheck shell=bash
# Sourced by the scripts and desktop tests that give the program a configuration file.
#
#   kestrune_write_ini [--crlf] FILE FOLDER [KEY=VALUE...]
#
# Writes FILE afresh: a [Config] section with Folder=FOLDER and then each KEY=VALUE in the
# order given. --crlf ends the lines with CR LF, as a file written on Windows. A value holding
# a line break would add lines of its own and is refused.
#
#   kestrune_ini_value FILE KEY
#
# Prints KEY's value in FILE without a CR (nothing when FILE or KEY is missing).

kestrune_write_ini() {
  local end=$'\n'
  if [ "${1:-}" = --crlf ]; then
    end=$'\r\n'
    shift
  fi
  if [ $# -lt 2 ]; then
    echo "kestrune_write_ini: usage: kestrune_write_ini [--crlf] FILE FOLDER [KEY=VALUE...]" >&2
    return 2
  fi
  local file=$1 line
  shift
  local lines=("[Config]" "Folder=$1")
  shift
  for line in "$@"; do
    if [[ "$line" != ?*=* ]]; then
      echo "kestrune_write_ini: '$line' is not KEY=VALUE" >&2
      return 2
    fi
    lines+=("$line")
  done
  for line in "${lines[@]}"; do
    if [[ "$line" == *[$'\r\n']* ]]; then
      echo "kestrune_write_ini: a line break in '$line'" >&2
      return 2
    fi
  done
  for line in "${lines[@]}"; do
    printf '%s%s' "$line" "$end"
  done > "$file"
}

kestrune_ini_value() {
  sed -n "s/^$2=//p" "$1" 2>/dev/null | tr -d '\r'
}
