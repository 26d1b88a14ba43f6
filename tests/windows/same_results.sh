#!/usr/bin/env bash
# Runs the same jobs on the same generated lists with two builds of vantor-cli, each in
# its own folder, and compares every file they made byte for byte, and their reports
# without the time taken.
#   same_results.sh WORKDIR LINUX_CLI "WINE" WINDOWS_CLI
set -euo pipefail
work=$1 linux_cli=$2 wine=$3 windows_cli=$4
rm -rf "$work"
mkdir -p "$work/list" "$work/linux" "$work/windows"

# 40000 addresses from a fixed LCG: mixed letter case, repeats, CR LF and LF line ends,
# blank lines and a last line without a line end.
awk 'BEGIN {
  x = 12345
  for (i = 0; i < 40000; i++) {
    x = (x * 1103515245 + 12345) % 2147483648
    user = "user" (x % 9000)
    if (x % 7 == 0) user = toupper(user)
    domain = "d" (int(x / 9000) % 300) (x % 5 == 0 ? ".ORG" : ".example.com")
    end = (x % 3 == 0) ? "\r\n" : "\n"
    printf "%s@%s%s", user, domain, (i == 39999 ? "" : end)
    if (x % 997 == 0) printf "\n"
  }
}' > "$work/list/list.txt"
printf 'd13.\nUSER77\n  d2.org  \n' > "$work/list/filter.txt"

# name: arguments (the output file names are relative to the folder).
jobs=(
  "sort-email|--sort-email --remove-duplicates -o sorted-email.txt list.txt"
  "sort-domain|--sort-domain --remove-duplicates -o sorted-domain.txt list.txt"
  "randomize|--randomize --seed 4242 -o random.txt list.txt"
  "extract|--extract 1500 --seed 99 -o extract.txt list.txt"
  "filter|--filter filter.txt -o filtered.txt list.txt"
  "include|--include added@here.org --every 250 -o included.txt list.txt"
  "split|--split-count 7000 -o part.txt list.txt"
  "merge|--merge -o merged.txt part1.txt part2.txt part3.txt part4.txt part5.txt part6.txt"
  "all|--filter filter.txt --sort-domain --remove-duplicates --include added@here.org --every 99 --extract 3000 --seed 7 --split-kb 20 -o all.txt list.txt"
)
for side in linux windows; do
  cp "$work/list/"* "$work/$side/"
  for job in "${jobs[@]}"; do
    name=${job%%|*}
    read -r -a args <<< "${job#*|}"
    if [ "$side" = linux ]; then
      (cd "$work/$side" && "$linux_cli" -q "${args[@]}" > "report-$name.txt")
    else
      # shellcheck disable=SC2086  # "$wine" may be empty or a command with arguments
      (cd "$work/$side" && $wine "$windows_cli" -q "${args[@]}" > "report-$name.txt")
    fi
    # The time a run took differs; the rest of the report does not.
    sed -i '/^Processing has taken /d' "$work/$side/report-$name.txt"
  done
done

(cd "$work/linux" && ls) > "$work/linux.names"
(cd "$work/windows" && ls) > "$work/windows.names"
if ! cmp -s "$work/linux.names" "$work/windows.names"; then
  echo "same results: the two builds made different files:" >&2
  diff "$work/linux.names" "$work/windows.names" >&2 || true
  exit 1
fi
count=0
differ=0
while read -r name; do
  count=$((count + 1))
  cmp "$work/linux/$name" "$work/windows/$name" || differ=$((differ + 1))
done < "$work/linux.names"
[ "$count" -ge 25 ] || { echo "same results: too few files" >&2; exit 1; }
echo "same results: $count files compared, $differ differ"
[ "$differ" -eq 0 ]
