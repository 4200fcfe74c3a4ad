# Four zanvorctl processes and one virtual keyboard, no desktop program: sourced by
# scripts/concurrency-test and scripts/kill-test. The callers define ctl (zanvorctl), work (a
# scratch folder), sql (a query on the model's database) and fail (count and print a failure).
#
# Profiles 1-4 each hold their own function on Esc of the base layer, a mark of whose tables a
# row set is. Each process owns one key (F1-F4) and gives it a new function now and then, in
# whichever profile is active, between profile switches and key lists of all four.
# Afterwards: every profile still holds its own Esc (no tables taken into another profile), no
# other row changed (nothing nobody set), and the last change of each key a process was told
# was made is in a profile (nothing lost).

race_keys=(58 59 60 61)  # F1-F4
race_modifiers=(0 1 2 4) # none, LCtrl, LShift, LAlt
race_modifier_names=("" "+LCtrl" "+LShift" "+LAlt")

# Four profiles, each with its own Esc; the rows no process touches are noted.
race_setup() {
  local _
  for _ in 1 2 3 4; do
    [ "$(sql "SELECT count(*) FROM t_profile_data;")" -lt 4 ] || break
    "$ctl" --simulate=101 profile add >/dev/null 2>"$work/race-setup.err" ||
      fail "a profile could not be added: $(head -1 "$work/race-setup.err")"
  done
  race_ids=($(sql "SELECT profile FROM t_profile_data ORDER BY profile LIMIT 4;"))
  [ "${#race_ids[@]}" -eq 4 ] || fail "four profiles expected, found ${#race_ids[@]}"
  local n=0 id
  for id in "${race_ids[@]}"; do
    n=$((n + 1))
    "$ctl" --simulate=101 profile activate "$id" >/dev/null &&
      "$ctl" --simulate=101 key set Esc "media:$((100 + n))" >/dev/null ||
      fail "the key of profile $id could not be set"
  done
  race_untouched >"$work/race-rows-before"
}

race_untouched() {
  local ids keys
  ids=$(IFS=,; echo "${race_ids[*]}")
  keys=$(IFS=,; echo "${race_keys[*]}")
  sql "SELECT profile, fn_layer, key_code, macro_type, macro_value, macro_value2, macro_value3
       FROM t_key_macro_data WHERE profile IN ($ids)
       AND NOT (fn_layer = 0 AND key_code IN (41, $keys)) ORDER BY 1, 2, 3;"
}

# One process: until the deadline, switches profiles, lists keys and changes its own key at
# random. With kill_percent > 0 that share of its commands is ended with SIGKILL after up to
# 0.4 s. Every change of the key is logged as "done usage:mask" when reported made, or as
# "maybe usage:mask" when it failed or was killed (it may or may not have been made).
race_worker() {
  local index=$1 deadline=$2 kill_percent=${3:-0}
  local log="$work/race-$index.log" changes=0
  : >"$log"
  while [ "$(date +%s)" -lt "$deadline" ]; do
    local command=() value=""
    case $((RANDOM % 3)) in
      0) command=(profile activate "${race_ids[$((RANDOM % 4))]}") ;;
      1) command=(key list) ;;
      2)
        local usage=$((4 + changes % 26)) modifier=$(((changes / 26) % 4))
        changes=$((changes + 1))
        value="$usage:${race_modifiers[$modifier]}"
        command=(key set "F$((index + 1))" "$(printf 'key:0x%02X' "$usage")${race_modifier_names[$modifier]}")
        ;;
    esac
    local status=0 killed=0
    if [ $((RANDOM % 100)) -lt "$kill_percent" ]; then
      # In a subshell that waits for it, so the shell's note about the killed job goes nowhere.
      (timeout -s KILL "$(printf '0.%03d' $((RANDOM % 400)))" \
        "$ctl" --simulate=101 "${command[@]}" >/dev/null 2>>"$work/race-$index.err"; exit $?) \
        2>/dev/null || status=$?
      [ "$status" -ne 137 ] || killed=1
    else
      "$ctl" --simulate=101 "${command[@]}" >/dev/null 2>>"$work/race-$index.err" || status=$?
    fi
    if [ "$killed" -eq 0 ] && [ "$status" -gt 1 ]; then
      echo "process $index: zanvorctl ${command[*]} exited with $status" >>"$work/race-crashes"
    fi
    echo "$status" >>"$work/race-$index.status"
    if [ -n "$value" ]; then
      [ "$status" -eq 0 ] && echo "done $value" >>"$log" || echo "maybe $value" >>"$log"
    fi
  done
}

# Runs the four processes for `seconds`; kill_percent as for race_worker.
race_run() {
  local seconds=$1 kill_percent=${2:-0}
  local deadline=$(($(date +%s) + seconds)) index
  rm -f "$work"/race-*.status "$work/race-crashes"
  for index in 0 1 2 3; do
    race_worker "$index" "$deadline" "$kill_percent" &
  done
  wait
}

race_check() {
  local label=$1
  grep -q '^0$' "$work"/race-?.status || fail "$label: no command of the four processes went through"
  [ ! -f "$work/race-crashes" ] || fail "$label: $(head -3 "$work/race-crashes")"
  local n=0 id esc
  for id in "${race_ids[@]}"; do
    n=$((n + 1))
    esc=$(sql "SELECT macro_type || ':' || macro_value FROM t_key_macro_data WHERE profile = $id AND fn_layer = 0 AND key_code = 41;")
    [ "$esc" = "6:$((100 + n))" ] ||
      fail "$label: profile $id: Esc is '$esc', it was set to media:$((100 + n)) (another profile's tables were taken into it)"
  done
  race_untouched >"$work/race-rows-after"
  cmp -s "$work/race-rows-before" "$work/race-rows-after" ||
    fail "$label: rows nobody changed differ: $(diff "$work/race-rows-before" "$work/race-rows-after" | grep '^[<>]' | head -2 | tr '\n' ' ')"
  local index
  for index in 0 1 2 3; do
    # The last change reported made, and any attempted after it, which may have been made too.
    local accepted
    accepted=$(awk '$1 == "done" { delete later; last = $2 } $1 == "maybe" && last != "" { later[$2] = 1 }
        END { if (last != "") { printf "%s", last; for (v in later) printf " %s", v } }' "$work/race-$index.log")
    [ -n "$accepted" ] || continue
    local key=${race_keys[$index]} ids stored
    ids=$(IFS=,; echo "${race_ids[*]}")
    stored=$(sql "SELECT macro_value || ':' || macro_value2 FROM t_key_macro_data WHERE profile IN ($ids) AND fn_layer = 0 AND key_code = $key;" | tr '\n' ' ')
    local found=0 value
    for value in $accepted; do
      [[ " $stored " == *" $value "* ]] && found=1
    done
    [ "$found" -eq 1 ] ||
      fail "$label: F$((index + 1)): its last change (${accepted%% *}) is in no profile (they hold $stored)"
  done
  [ "$(sql "SELECT count(*) FROM t_profile_data WHERE status = 1;")" -eq 1 ] || fail "$label: not exactly one active profile"
}

race_summary() {
  echo "$(cat "$work"/race-?.status | grep -c '^0$') of $(cat "$work"/race-?.status | wc -l)" \
    "commands went through, $(cat "$work"/race-?.log | grep -c '^done') key changes"
}
