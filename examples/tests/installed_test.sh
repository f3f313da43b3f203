#!/usr/bin/env bash
# An installed Wardlock used by a project outside this tree, the way an
# application developer uses it.
#   installed_test.sh install BUILD     installs BUILD into BUILD/installed-test/prefix,
#                                       checks the installed RUNPATHs and builds the
#                                       scripted login against the installed files
#   installed_test.sh cmake BUILD       builds examples/quickstart with CMake, finding
#                                       Wardlock only through find_package(Wardlock)
#   installed_test.sh pkgconfig BUILD   builds the program the README shows with its
#                                       one compiler line and pkg-config
# The last two run the program headless on a SQLite security database made with
# the installed wardschema and settings written with the installed wardsettings:
# the login dialog is answered by a preloaded library, and the program must show
# its "Security" button enabled for the administrator, disabled for a user
# without the right, and end without a window for a wrong password. With
# WARDLOCK_PG_HOST set, the CMake build is also run on PostgreSQL.
# Environment: CXX (the compiler), WARDLOCK_CCACHE (a compiler launcher, may be empty).
set -uo pipefail
mode=$1 build=$2
here=$(cd "$(dirname "$0")" && pwd)
quickstart_source=$(cd "$here/../quickstart" && pwd)
root=$build/installed-test
prefix=$root/prefix
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
libdir=$prefix/${libdir:-lib}
helper=$root/helper/libwardscriptedlogin.so
cxx=${CXX:-c++}
launcher=${WARDLOCK_CCACHE:-}

fail() { echo "FAILED: $*"; exit 1; }

# Every installed program and library finds its neighbours through $ORIGIN
# only: an empty entry would be the current directory, an absolute one a
# folder of the machine that built it.
check_installed_runpaths() {
  local file runpath entry checked=0
  while IFS= read -r -d '' file; do
    head -c 4 "$file" | grep -q $'\x7fELF' || continue
    runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    [ -n "$runpath" ] || fail "$file has no RUNPATH"
    case ":$runpath:" in *::*) fail "$file: empty RUNPATH entry in '$runpath'" ;; esac
    IFS=: read -r -a entries <<< "$runpath"
    for entry in "${entries[@]}"; do
      case $entry in '$ORIGIN'*) ;; *) fail "$file: RUNPATH entry '$entry' is not below \$ORIGIN" ;; esac
    done
    checked=$((checked + 1))
  done < <(find "$prefix/bin" "$libdir" -type f -print0)
  echo "installed RUNPATHs checked: $checked files"
  [ "$checked" -gt 0 ] || fail "nothing installed"
}

# A program built outside the tree: its RUNPATH has no empty entry and no
# relative one.
check_program_runpath() {
  local runpath entry
  runpath=$(readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  echo "$(basename "$1") RUNPATH: $runpath"
  case ":$runpath:" in *::*) fail "$1: empty RUNPATH entry in '$runpath'" ;; esac
  IFS=: read -r -a entries <<< "$runpath"
  for entry in "${entries[@]}"; do
    case $entry in /*|'$ORIGIN'*) ;; *) fail "$1: relative RUNPATH entry '$entry'" ;; esac
  done
}

install_prefix() {
  rm -rf "$root" && mkdir -p "$root/helper" || fail "cannot make $root"
  cmake --install "$build" --prefix "$prefix" > "$root/install.log" || { cat "$root/install.log"; fail "install"; }
  for file in "$prefix/bin/wardschema" "$prefix/bin/wardsettings" "$prefix/include/wardlock/rights.h" \
      "$libdir/cmake/Wardlock/WardlockConfig.cmake" "$libdir/pkgconfig/wardlock.pc"; do
    [ -e "$file" ] || fail "$file is not installed"
  done
  check_installed_runpaths
  # The scripted login links the installed platform library, so that it sets
  # the hooks the program's copy reads.
  # shellcheck disable=SC2046
  $launcher "$cxx" -std=c++20 -fPIC -shared -o "$helper" "$here/answerbox.cpp" "$here/scriptedlogin.cpp" \
    -I"$prefix/include" $(pkg-config --cflags --libs Qt6Widgets) \
    -L"$libdir" -lwardplatform -Wl,-rpath,"$libdir" || fail "cannot build the scripted login"
}

# run_case PROGRAM LABEL USER PASSWORD EXPECTED_STATUS EXPECTED_BUTTON_LINE
# EXPECTED_BUTTON_LINE empty: no window may be shown.
run_case() {
  local program=$1 label=$2 status output
  output=$(WARDLOCK_SCRIPTED_USER=$3 WARDLOCK_SCRIPTED_PASSWORD=$4 LD_PRELOAD=$helper \
    timeout 60 "$program" 2>&1)
  status=$?
  echo "--- $label: status $status"
  echo "$output"
  [ "$status" -eq "$5" ] || fail "$label: status $status, expected $5"
  grep -qx 'dialog: Authorization' <<< "$output" || fail "$label: the login dialog was not shown"
  if [ -n "$6" ]; then
    grep -qx "$6" <<< "$output" || fail "$label: expected '$6'"
  elif grep -q '^button:' <<< "$output"; then
    fail "$label: a window was shown after a refused login"
  fi
}

# run_quickstart PROGRAM WORK: the program against a fresh SQLite database.
run_quickstart() {
  local program=$1 work=$2
  export WARDLOCK_SYSTEM_CONFIG=$work/settings WARDLOCK_USER_CONFIG=$work/user
  rm -rf "$WARDLOCK_SYSTEM_CONFIG" "$WARDLOCK_USER_CONFIG" "$work/quickstart.sqlite"
  # The demo database: the administrator and a user without administration rights.
  QUICKSTART_ADMIN_PW=admin "$prefix/bin/wardschema" demo --sqlite "$work/quickstart.sqlite" \
    --admin-password-env QUICKSTART_ADMIN_PW > /dev/null || fail "wardschema"
  local key='Software\Torvane\Wardlock'
  "$prefix/bin/wardsettings" write "$key\\DBProviders" 'Torvane:BDE' wardbde.dll || fail "wardsettings"
  "$prefix/bin/wardsettings" write "$key\\Aliases\\QuickStart" Driver QSQLITE || fail "wardsettings"
  "$prefix/bin/wardsettings" write "$key\\Aliases\\QuickStart" Database "$work/quickstart.sqlite" \
    || fail "wardsettings"
  run_case "$program" "administrator" admin admin 0 'button: Security: enabled'
  run_case "$program" "user without the right" demo demo 0 'button: Security: disabled'
  run_case "$program" "wrong password" admin wrong 1 ''
}

# run_quickstart_pg PROGRAM WORK: the same program, the alias moved to PostgreSQL.
run_quickstart_pg() {
  local program=$1 work=$2 dbname=wardquickstart
  local key='Software\Torvane\Wardlock\Aliases\QuickStart'
  # Roles belong to the whole server, which other tests share: an
  # administration role of this test's own, with a password it knows when
  # the role is there from an earlier run. The program's runtime role is
  # SecurityCheck, as the README's.
  QUICKSTART_ADMIN_PW=admin QUICKSTART_ROLE_PW=quickstart "$prefix/bin/wardschema" demo --force \
    --pg "host=$WARDLOCK_PG_HOST port=$WARDLOCK_PG_PORT dbname=$dbname user=$WARDLOCK_PG_USER" \
    --admin-password-env QUICKSTART_ADMIN_PW --admin-role wardqsadmin \
    --admin-role-password-env QUICKSTART_ROLE_PW > /dev/null || fail "wardschema on PostgreSQL"
  "$prefix/bin/wardsettings" write "$key" Driver QPSQL || fail "wardsettings"
  "$prefix/bin/wardsettings" write "$key" Database "$dbname" || fail "wardsettings"
  "$prefix/bin/wardsettings" write "$key" Host "$WARDLOCK_PG_HOST" || fail "wardsettings"
  "$prefix/bin/wardsettings" write "$key" Port "$WARDLOCK_PG_PORT" || fail "wardsettings"
  run_case "$program" "administrator on PostgreSQL" admin admin 0 'button: Security: enabled'
}

build_with_cmake() {
  local work=$root/cmake
  rm -rf "$work" && mkdir -p "$work" || fail "cannot make $work"
  local launcher_arg=()
  [ -n "$launcher" ] && launcher_arg=(-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher")
  cmake -S "$quickstart_source" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$cxx" "${launcher_arg[@]}" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF > "$work/configure.log" 2>&1 \
    || { cat "$work/configure.log"; fail "configure"; }
  local found
  found=$(sed -n 's/^Wardlock_DIR:PATH=//p' "$work/build/CMakeCache.txt")
  [ "$found" = "$libdir/cmake/Wardlock" ] || fail "find_package found Wardlock in '$found'"
  cmake --build "$work/build" || fail "build"
  check_program_runpath "$work/build/quickstart"
  run_quickstart "$work/build/quickstart" "$work"
  if [ -n "${WARDLOCK_PG_HOST:-}" ]; then
    run_quickstart_pg "$work/build/quickstart" "$work"
  fi
}

build_with_pkgconfig() {
  local work=$root/pkgconfig
  rm -rf "$work" && mkdir -p "$work" || fail "cannot make $work"
  export PKG_CONFIG_PATH=$libdir/pkgconfig
  [ "$(pkg-config --variable=pcfiledir wardlock)" = "$libdir/pkgconfig" ] \
    || fail "pkg-config does not find the installed wardlock.pc"
  local flags
  flags=$(pkg-config --cflags --libs wardlock) || fail "pkg-config wardlock"
  # The program as the README shows it, built with the README's one line.
  awk '/^## Quick start/ { on = 1 } on && /^```cpp$/ { copy = 1; next }
       copy && /^```$/ { exit } copy' "$here/../../README.md" > "$work/main.cpp"
  grep -q 'GetRight' "$work/main.cpp" || fail "the README shows no quick-start program"
  diff <(sed -n '/^#include/,$p' "$quickstart_source/main.cpp") "$work/main.cpp" \
    || fail "the README's program and examples/quickstart/main.cpp differ"
  # shellcheck disable=SC2086
  $launcher "$cxx" -std=c++20 -fPIC "$work/main.cpp" $flags \
    -Wl,-rpath,"$(pkg-config --variable=libdir wardlock)" \
    -o "$work/quickstart" || fail "compile with pkg-config"
  check_program_runpath "$work/quickstart"
  run_quickstart "$work/quickstart" "$work"
}

case $mode in
  install) install_prefix ;;
  cmake) [ -f "$helper" ] || fail "run the install step first"; build_with_cmake ;;
  pkgconfig) [ -f "$helper" ] || fail "run the install step first"; build_with_pkgconfig ;;
  *) fail "unknown mode $mode" ;;
esac
echo "passed"
