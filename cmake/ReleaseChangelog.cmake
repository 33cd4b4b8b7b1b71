# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the Debian changelog of the game, compressed, from the <releases> list of its AppStream
# file, so that the release notes live in one place. Run at build time as
#   cmake -DMETAINFO=... -DVERSION=... -DMAINTAINER=... -DGZIP=... -DOUTPUT=....gz -P this file
# The newest release must be the version being built: a package whose changelog ends one
# release early would tell the package manager the wrong story.
cmake_minimum_required(VERSION 3.25)

foreach(required METAINFO VERSION MAINTAINER GZIP OUTPUT)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "ReleaseChangelog.cmake needs -D${required}=...")
    endif()
endforeach()

# The weekday of a date, as RFC 5322 names it (Sakamoto's method).
function(weekday_of year month day out)
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    math(EXPR index "${month} - 1")
    list(GET offsets ${index} offset)
    if(month LESS 3)
        math(EXPR year "${year} - 1")
    endif()
    math(EXPR weekday
        "(${year} + ${year} / 4 - ${year} / 100 + ${year} / 400 + ${offset} + ${day}) % 7")
    set(names Sun Mon Tue Wed Thu Fri Sat)
    list(GET names ${weekday} name)
    set(${out} ${name} PARENT_SCOPE)
endfunction()

# Plain text of an AppStream description fragment: tags dropped, entities decoded, white space
# collapsed.
function(plain_text markup out)
    string(REGEX REPLACE "<[^>]*>" "" text "${markup}")
    string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
    string(STRIP "${text}" text)
    string(REPLACE "&lt${semicolon}" "<" text "${text}")
    string(REPLACE "&gt${semicolon}" ">" text "${text}")
    string(REPLACE "&quot${semicolon}" "\"" text "${text}")
    string(REPLACE "&apos${semicolon}" "'" text "${text}")
    string(REPLACE "&amp${semicolon}" "&" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One changelog item: "  * " and the text wrapped to 78 columns, continuation lines indented.
function(changelog_item text out)
    string(REPLACE " " ";" words "${text}")
    set(result "")
    set(line "  *")
    foreach(word IN LISTS words)
        string(LENGTH "${line} ${word}" length)
        if(length GREATER 78 AND NOT line STREQUAL "  *" AND NOT line STREQUAL "   ")
            string(APPEND result "${line}\n")
            set(line "   ")
        endif()
        string(APPEND line " ${word}")
    endforeach()
    set(${out} "${result}${line}\n" PARENT_SCOPE)
endfunction()

file(READ "${METAINFO}" metainfo)
string(REGEX MATCH "<releases>.*</releases>" releases "${metainfo}")
# Each release starts at its opening tag (a release without notes may be a single empty
# element). CMake's regular expressions have no lazy quantifier, so the opening tags get a
# separator in front. Its lists split at ";" and pair up "[" with "]", so those three stand
# aside as control characters until the text is written.
string(ASCII 28 open_bracket)
string(ASCII 29 close_bracket)
string(ASCII 30 semicolon)
string(ASCII 31 separator)
string(REPLACE ";" "${semicolon}" releases "${releases}")
string(REPLACE "[" "${open_bracket}" releases "${releases}")
string(REPLACE "]" "${close_bracket}" releases "${releases}")
string(REGEX REPLACE "<release([ \t\r\n])" "${separator}<release\\1" releases "${releases}")
string(REGEX MATCHALL "${separator}[^${separator}]*" entries "${releases}")
if(NOT entries)
    message(FATAL_ERROR "${METAINFO} lists no <release>")
endif()

set(changelog "")
set(first TRUE)
foreach(entry IN LISTS entries)
    string(REGEX MATCH "^${separator}<release[^>]*>" opening "${entry}")
    if(NOT opening MATCHES "version=\"([^\"]+)\"")
        message(FATAL_ERROR "A release in ${METAINFO} has no version")
    endif()
    set(release_version "${CMAKE_MATCH_1}")
    if(NOT opening MATCHES "date=\"([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])")
        message(FATAL_ERROR "Release ${release_version} in ${METAINFO} has no date=\"YYYY-MM-DD\"")
    endif()
    set(year ${CMAKE_MATCH_1})
    set(month_number ${CMAKE_MATCH_2})
    set(day ${CMAKE_MATCH_3})
    if(first AND NOT release_version STREQUAL VERSION)
        message(FATAL_ERROR "The newest release in ${METAINFO} is ${release_version}, but the "
            "project's version is ${VERSION}: add a <release> for ${VERSION} first")
    endif()
    set(first FALSE)

    # Every paragraph and list item of the notes becomes one item of the entry.
    set(items "")
    string(REGEX MATCHALL "<(p|li)>[^<]*(<(em|code)>[^<]*</(em|code)>[^<]*)*</(p|li)>"
        paragraphs "${entry}")
    foreach(paragraph IN LISTS paragraphs)
        plain_text("${paragraph}" text)
        if(NOT text STREQUAL "")
            changelog_item("${text}" item)
            string(APPEND items "${item}")
        endif()
    endforeach()
    if(items STREQUAL "")
        set(items "  * Release ${release_version}.\n")
    endif()

    math(EXPR month_index "${month_number} - 1")
    math(EXPR day_number "${day}")
    math(EXPR month_value "${month_number}")
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET months ${month_index} month_name)
    weekday_of(${year} ${month_value} ${day_number} weekday)
    string(APPEND changelog
        "sapperly (${release_version}) unstable; urgency=medium\n\n"
        "${items}\n"
        " -- ${MAINTAINER}  ${weekday}, ${day} ${month_name} ${year} 00:00:00 +0000\n\n")
endforeach()
string(STRIP "${changelog}" changelog)
string(REPLACE "${semicolon}" ";" changelog "${changelog}")
string(REPLACE "${open_bracket}" "[" changelog "${changelog}")
string(REPLACE "${close_bracket}" "]" changelog "${changelog}")

get_filename_component(text_file "${OUTPUT}" NAME_WLE)
get_filename_component(output_folder "${OUTPUT}" DIRECTORY)
file(WRITE "${output_folder}/${text_file}" "${changelog}\n")
# -n leaves the name and time out of the header, so the same notes give the same bytes.
execute_process(COMMAND "${GZIP}" -9 -n -c "${output_folder}/${text_file}"
    OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip failed on ${output_folder}/${text_file}")
endif()
