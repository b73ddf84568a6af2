#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Tests of what pagecut installs. Usage:
#   install_test.sh consumer|man_page|debian_package SOURCE_DIR BUILD_DIR SANITIZE CXX VERSION PYTHON
# consumer        installs into a temporary prefix, checks what is there, builds
#                 tests/consumer against it and compares its blocks, and those of
#                 the installed Python module, with the installed program's
#                 result file on the same page
# PYTHON is the interpreter the Python module was built for, or "none" when
# it was not built.
# man_page        the manual page renders without warnings and states every
#                 message as the program prints it, on the stream it uses
# debian_package  cpack makes pagecut, pagecut-dev (and python3-pagecut)
#                 packages with the right files and dependencies
set -uo pipefail

part=$1 source_dir=$2 build_dir=$3 sanitize=$4 cxx=$5 version=$6 python=${7:-none}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pagecut-install-test.XXXXXX")
trap 'rm -rf -- "$tmp"' EXIT
failures=0

check() { # DESCRIPTION COMMAND...: reports a failed check
    local what=$1
    shift
    if ! "$@"; then
        echo "FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}
fatal() {
    echo "FAILED: $1" >&2
    exit 1
}
finish() {
    [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
    echo "$part: all checks passed"
    exit 0
}

# A small white page with one dark block, written as binary PGM.
write_page() {
    { printf 'P5\n40 30\n255\n'; head -c 1200 /dev/zero | tr '\0' '\377'; } >"$1"
    printf '\0\0\0\0\0\0' | dd of="$1" bs=1 seek=$((13 + 10 * 40 + 12)) conv=notrunc 2>/dev/null
}

consumer() {
    local prefix=$tmp/prefix
    cmake --install "$build_dir" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
        { cat "$tmp/install.log" >&2; fatal "cmake --install"; }

    check "program installed" test -x "$prefix/bin/pagecut"
    check "batch script installed" test -x "$prefix/bin/pagecut-batch"
    check "manual page installed" test -f "$prefix/share/man/man1/pagecut.1.gz"
    check "batch manual page installed" test -f "$prefix/share/man/man1/pagecut-batch.1.gz"
    check "licence installed" test -f "$prefix/share/doc/pagecut/copyright"
    check "--version names version $version" \
        grep -q "^pagecut $version (OpenCV " <<<"$("$prefix/bin/pagecut" --version)"
    check "library installed" test -n "$(find "$prefix" -name libpagecut.a)"
    local config
    config=$(find "$prefix" -path '*/cmake/pagecut/pagecutConfig.cmake')
    check "package configuration installed" test -n "$config"
    check "package version file installed" test -f "${config%/*}/pagecutConfigVersion.cmake"
    local headers
    headers=$(cd "$prefix/include" && find . -type f)
    check "only the public header installed (got: $headers)" test "$headers" = ./pagecut/pagecut.h

    # The consumer names no OpenCV module: the target must bring them.
    local flags=()
    [ "$sanitize" = ON ] && flags=(-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined)
    cmake -S "$source_dir/tests/consumer" -B "$tmp/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release -DPAGECUT_WANTED="${version%.*}" \
        "${flags[@]}" \
        >"$tmp/consumer.log" 2>&1 &&
        cmake --build "$tmp/consumer" >>"$tmp/consumer.log" 2>&1 ||
        { cat "$tmp/consumer.log" >&2; fatal "building the consumer against the installed package"; }

    "$tmp/consumer/cut_drawn_page" "$tmp/page.pgm" >"$tmp/consumer.txt" ||
        fatal "the consumer failed"
    "$prefix/bin/pagecut" "$tmp/page.pgm" 0 0 0 0 "$tmp/" "" ||
        fatal "the installed pagecut failed on the consumer's page"
    # A heading, two columns and a closing paragraph.
    check "the consumer finds four blocks: $(cat "$tmp/consumer.txt")" \
        test "$(wc -l <"$tmp/consumer.txt")" -eq 4
    check "the consumer's blocks equal the program's result file" \
        cmp "$tmp/consumer.txt" "$tmp/res_page.pgm.txt"

    [ "$python" = none ] && finish
    local modules
    modules=$(cd "$prefix" && find . -name 'pagecut*.so')
    check "the Python module installed in lib/python3/dist-packages (got: $modules)" \
        grep -qx './lib/python3/dist-packages/pagecut\.cpython-.*\.so' <<<"$modules"
    # From an empty folder, so that nothing but the installed module is found.
    (cd "$tmp/prefix" && PYTHONPATH="$prefix/lib/python3/dist-packages" "$python" -c \
        'import sys, pagecut; [print(*b) for b in pagecut.cut_file(sys.argv[1])]' \
        "$tmp/page.pgm") >"$tmp/module.txt" || fatal "the installed Python module failed"
    check "the installed module's blocks equal the program's result file" \
        cmp "$tmp/module.txt" "$tmp/res_page.pgm.txt"
    finish
}

man_page() {
    local page=$build_dir/man/pagecut.1 pagecut=$build_dir/pagecut
    local batch_page=$build_dir/man/pagecut-batch.1 each
    for each in "$page" "$batch_page"; do
        groff -man -ww -z "$each" 2>"$tmp/warnings"
        check "groff warnings in ${each##*/}: $(cat "$tmp/warnings")" test ! -s "$tmp/warnings"
        check "${each##*/} names version $version" grep -q "^\.TH .*\"pagecut $version\"" "$each"
    done
    # Every option that a program's --help names is in its manual page.
    groff -man -Tascii -rLL=400n -P-cbou "$batch_page" 2>/dev/null >"$tmp/batch-man.txt"
    groff -man -Tascii -rLL=400n -P-cbou "$page" 2>/dev/null >"$tmp/pagecut-man.txt"
    local option
    for option in $("$source_dir/scripts/pagecut-batch" --help | grep -oE -- '--[a-z][a-z-]+' |
        sort -u); do
        check "pagecut-batch(1) documents $option" grep -q -- "$option" "$tmp/batch-man.txt"
    done
    for option in $("$pagecut" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
        check "pagecut(1) documents $option" grep -q -- "$option" "$tmp/pagecut-man.txt"
    done
    # Plain text, no hyphenation, lines long enough to hold every message,
    # runs of blanks squeezed.
    groff -man -Tascii -rLL=400n -rHY=0 -P-cbou "$page" 2>/dev/null | tr -s ' \t\n' ' ' \
        >"$tmp/man.txt"

    cd "$tmp" || exit 1
    write_page page.pgm
    mkdir PATH
    # Each failure is caused with the placeholders of the manual as arguments,
    # so that the message printed is the one the manual shows.
    local cases=(
        "1|--format TEXT page.pgm 0 0 0 0 ./ r.txt"
        "2|page.pgm TEXT 0 0 0 ./ r.txt"
        "3|page.pgm 0 0 0 0 ./ r.txt TEXT"
        "4|page.pgm 0 0 0 0 ./ r.txt 1 TEXT"
        "5|missing/PATH 0 0 0 0 ./ r.txt"
        "6|page.pgm 0 0 40 30 ./ r.txt"
        "7|page.pgm 0 0 0 0 ./ PATH"
        "8|page.pgm 0 0 0 0 missing/ r.txt 1 1"
    )
    local entry code args status message stream
    for entry in "${cases[@]}"; do
        code=${entry%%|*}
        read -r -a args <<<"${entry#*|}"
        "$pagecut" "${args[@]}" >out.txt 2>err.txt
        status=$?
        check "exit code $code from: pagecut ${args[*]} (got $status)" test "$status" = "$code"
        stream=error
        [ -s out.txt ] && stream=output
        message=$(grep -v -e '^$' -e '^Usage: ' out.txt err.txt -h | head -n 1)
        message=${message/missing\/PATH/PATH}
        message=${message/missing\/res_page.pgm.png/PATH}
        message=${message/missing\/res_page.pgm/PATH}
        check "manual shows exit code $code's message on the standard $stream stream: $message" \
            grep -qF "On the standard $stream stream: $message" man.txt
    done

    (exec -a PROGRAM "$pagecut" >out.txt 2>err.txt)
    status=$?
    check "exit code 1 without arguments (got $status)" test "$status" = 1
    check "nothing on the standard output stream with the usage line" test ! -s out.txt
    message=$(grep '^Usage: ' err.txt)
    check "manual shows the usage line: $message" grep -qF "$message" man.txt
    finish
}

debian_package() {
    if [ "$sanitize" = ON ]; then
        # The packages are made from the release build; the sanitizer build's
        # would depend on the sanitizer runtimes.
        echo "skipped in the sanitizer build"
        exit 77
    fi
    (cd "$build_dir" && cpack -G DEB -B "$tmp/packages") >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log" >&2; fatal "cpack -G DEB"; }
    local arch runtime dev
    arch=$(dpkg --print-architecture)
    runtime=$tmp/packages/pagecut_${version}_$arch.deb
    dev=$tmp/packages/pagecut-dev_${version}_$arch.deb
    [ -f "$runtime" ] || fatal "no $runtime among: $(ls "$tmp/packages")"
    [ -f "$dev" ] || fatal "no $dev among: $(ls "$tmp/packages")"

    dpkg-deb -c "$runtime" | awk '{print $6}' >"$tmp/runtime.files"
    dpkg-deb -c "$dev" | awk '{print $6}' >"$tmp/dev.files"
    local file
    for file in ./usr/bin/pagecut ./usr/bin/pagecut-batch ./usr/share/man/man1/pagecut.1.gz \
        ./usr/share/man/man1/pagecut-batch.1.gz ./usr/share/doc/pagecut/copyright \
        ./usr/share/doc/pagecut/changelog.gz ./usr/share/doc/pagecut/CHANGELOG.md.gz; do
        check "pagecut package holds $file" grep -qx "$file" "$tmp/runtime.files"
    done
    # The Debian changelog points at a file beside it in every package.
    local named package
    for package in "$runtime" "$dev"; do
        named=$(dpkg-deb --fsys-tarfile "$package" | tar -xOf - --wildcards '*/changelog.gz' |
            gzip -dc | grep -o '[A-Za-z.]*\.md\.gz')
        check "${package##*/} holds $named, which its changelog names" \
            grep -q "/${named:-no-file-named}\$" <(dpkg-deb -c "$package")
    done
    # The batch script's own workers need no GNU parallel: it is only suggested.
    check "pagecut suggests parallel and needs it nowhere" \
        test "$(dpkg-deb -f "$runtime" Suggests)" = parallel -a \
        -z "$(dpkg-deb -f "$runtime" Recommends Depends | grep -w parallel)"
    check "pagecut package holds no library or header" \
        test -z "$(grep -E '\.(a|h)$|/cmake/' "$tmp/runtime.files")"
    for file in ./usr/include/pagecut/pagecut.h '.*/libpagecut\.a' \
        '.*/cmake/pagecut/pagecutConfig\.cmake' '.*/cmake/pagecut/pagecutConfigVersion\.cmake' \
        '.*/cmake/pagecut/pagecutTargets\.cmake'; do
        check "pagecut-dev package holds $file" grep -qx "$file" "$tmp/dev.files"
    done

    # Every OpenCV library the program loads must be a declared dependency.
    local depends library package
    depends=$(dpkg-deb -f "$runtime" Depends)
    for library in $(ldd "$build_dir/pagecut" | awk '/libopencv/ {print $3}'); do
        package=$(dpkg -S "$(readlink -f "$library")" 2>/dev/null | head -n 1 | cut -d: -f1)
        [ -n "$package" ] || package=$(dpkg -S "$library" | head -n 1 | cut -d: -f1)
        check "pagecut depends on $package (Depends: $depends)" \
            grep -qE "(^|, )$package( |,|$)" <<<"$depends"
    done
    check "pagecut depends on OpenCV" grep -q libopencv-imgcodecs <<<"$depends"
    check "pagecut-dev depends on libopencv-dev" \
        grep -qE '(^|, )libopencv-dev( |,|$)' <<<"$(dpkg-deb -f "$dev" Depends)"

    # lintian, Debian's package checker, finds no error and no warning. Its
    # note about running as root is not about the packages.
    local lintian_status
    for package in "$tmp"/packages/*.deb; do
        lintian --fail-on error,warning "$package" >"$tmp/lintian.txt" 2>&1
        lintian_status=$?
        check "lintian on ${package##*/}: $(grep -v '^running with root' "$tmp/lintian.txt")" \
            test "$lintian_status" -eq 0
    done

    [ "$python" = none ] && finish
    local module=$tmp/packages/python3-pagecut_${version}_$arch.deb
    [ -f "$module" ] || fatal "no $module among: $(ls "$tmp/packages")"
    dpkg-deb -c "$module" | awk '{print $6}' >"$tmp/python.files"
    check "python3-pagecut holds the module in /usr/lib/python3/dist-packages" \
        grep -qx '\./usr/lib/python3/dist-packages/pagecut\.cpython-[^/]*\.so' "$tmp/python.files"
    depends=$(dpkg-deb -f "$module" Depends)
    for package in python3-numpy python3 libopencv-imgcodecs406; do
        check "python3-pagecut depends on $package (Depends: $depends)" \
            grep -qE "(^|, )$package( |,|$)" <<<"$depends"
    done
    finish
}

case $part in
    consumer) consumer ;;
    man_page) man_page ;;
    debian_package) debian_package ;;
    *) fatal "unknown part $part" ;;
esac
