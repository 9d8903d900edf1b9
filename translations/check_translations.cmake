# cmake -DLUPDATE=... -DTS_FILE=... -DSOURCES_LIST=... -DOPTIONS=... -DSTAMP=... -P this
# Fails when lupdate, run over a copy of TS_FILE, finds an entry unfinished
# (new in the code or never translated) or vanished (gone from the code).
get_filename_component(copy_dir ${STAMP} DIRECTORY)
set(copy ${copy_dir}/vornel_en.check.ts)
configure_file(${TS_FILE} ${copy} COPYONLY)
execute_process(COMMAND ${LUPDATE} -silent ${OPTIONS} @${SOURCES_LIST} -ts ${copy}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed:\n${output}")
endif()
file(STRINGS ${copy} unfinished REGEX "type=\"unfinished\"")
file(STRINGS ${copy} vanished REGEX "type=\"(vanished|obsolete)\"")
list(LENGTH unfinished unfinished_count)
list(LENGTH vanished vanished_count)
if(unfinished_count OR vanished_count)
    message(FATAL_ERROR "${TS_FILE}: ${unfinished_count} text(s) untranslated or new in the "
                        "code, ${vanished_count} gone from the code. Run "
                        "`cmake --build build --target update_translations`, then translate "
                        "the unfinished entries (Qt Linguist, or by hand).")
endif()
file(TOUCH ${STAMP})
