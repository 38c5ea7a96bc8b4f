# Runs norvale-sim's text subcommands as a user would and checks their output
# and exit codes. Invoked by CTest with -DSIM=<program> -DSAMPLES=<folder>.
# With STDOUT set, standard output goes to that file instead.
function(run_sim expected_code expected_output)
  if(DEFINED STDOUT)
    execute_process(COMMAND ${SIM} ${ARGN} RESULT_VARIABLE code OUTPUT_FILE ${STDOUT}
                    ERROR_VARIABLE err)
  else()
    execute_process(COMMAND ${SIM} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
  endif()
  if(NOT code EQUAL expected_code)
    message(FATAL_ERROR "norvale-sim ${ARGN}: exit ${code}, expected ${expected_code}\n${out}${err}")
  endif()
  string(FIND "${out}${err}" "${expected_output}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "norvale-sim ${ARGN}: output lacks '${expected_output}':\n${out}${err}")
  endif()
endfunction()

set(query "nv_subject=SGVsbG8_&nv_semail=&nv_sfirstname=&nv_slastname=&nv_email=&nv_firstname=&nv_lastname=&nv_companyname=Q29udG9zbw__")

run_sim(0 "w6k_" encode "é")
run_sim(0 "5pel5pys6Kqe" encode "日本語")
run_sim(0 "nv_subject=Hello\nnv_semail=\n" decode "${query}")
run_sim(0 "nv_companyname=Contoso" decode "https://track.example/x?method=track&${query}")
run_sim(0 "\"nv_companyname\": \"Contoso\"" decode --json "${query}")
run_sim(2 "nv_semail" decode "nv_subject=SGVsbG8_")
run_sim(2 "not Base64" decode "nv_subject=SGVsbG8=&nv_semail=")
run_sim(2 "more than one set of tracking values" decode "https://x.example/p?${query}&${query}")
run_sim(2 "norvale-sim:" frobnicate)
run_sim(2 "cannot open" rewrite --query q /nonexistent/body.html)
run_sim(2 "'${SAMPLES}' is a folder" rewrite --query q ${SAMPLES})
# Only URL query characters: a quote would end the image tag's attribute.
run_sim(2 "--query takes only" rewrite --query "x' onerror='alert(1)" ${SAMPLES}/sample-email.html)
run_sim(2 "--query takes only" rewrite --query "a=%zz" ${SAMPLES}/sample-email.html)
run_sim(0 "?method=track&a=%2F&b=(c)'>" rewrite --query "a=%2F&b=(c)" ${SAMPLES}/sample-email.html)
# A decoded value cannot start a line of its own: "a\nb" prints escaped.
run_sim(0 "nv_subject=a\\x0Ab\nnv_semail=\n" decode "nv_subject=YQpi&nv_semail=&nv_sfirstname=&nv_slastname=&nv_email=&nv_firstname=&nv_lastname=&nv_companyname=")
# Output that cannot be written fails the run, whatever the subcommand.
set(STDOUT /dev/full)
run_sim(1 "cannot write to standard output" encode x)
run_sim(1 "cannot write to standard output" decode "${query}")
run_sim(1 "cannot write to standard output" rewrite --query q ${SAMPLES}/sample-email.html)
run_sim(1 "cannot write to standard output" send)
run_sim(1 "cannot write to standard output" send --json)
unset(STDOUT)
run_sim(2 "cannot be combined" rewrite --query q --subject s ${SAMPLES}/sample-email.html)
run_sim(0 "href=\"https://www.contoso.com/products/?q\"" rewrite --query q ${SAMPLES}/sample-email.html)
run_sim(0 "nv_subject=SGVsbG8_" rewrite --subject " Hello " --company Contoso ${SAMPLES}/sample-email.html)

# send: the bundled sample, the preview folder, and scenario files it refuses.
run_sim(0 "\"deleted\": true" send --json)
run_sim(0 "Composed message: saved, closed with 1, deleted" send)
# A forwarded tracked mail: the Cc copy carries none of the earlier tracking.
run_sim(0 "Tracked: no, banner" send ${SAMPLES}/../tests/scenarios/forwarded-tracked-mail.json)
set(out ${CMAKE_CURRENT_BINARY_DIR}/cli_test_preview)
file(REMOVE_RECURSE ${out})
run_sim(0 "index.html" send --out ${out})
if(NOT EXISTS ${out}/index.html OR NOT EXISTS ${out}/copy-01.html)
  message(FATAL_ERROR "send --out wrote no preview into ${out}")
endif()
# Again into the same folder: an earlier run's extra copy is gone, a symbolic
# link in a copy's place is replaced and not written through, and files that
# are not the preview's stay.
set(outside ${CMAKE_CURRENT_BINARY_DIR}/cli_test_outside.txt)
file(WRITE ${outside} "kept")
file(REMOVE ${out}/copy-01.html)
file(CREATE_LINK ${outside} ${out}/copy-01.html SYMBOLIC)
file(WRITE ${out}/copy-99.html "stale")
file(WRITE ${out}/notes.txt "mine")
run_sim(0 "index.html" send --out ${out})
file(READ ${outside} outside_now)
if(NOT outside_now STREQUAL "kept" OR IS_SYMLINK ${out}/copy-01.html
   OR EXISTS ${out}/copy-99.html OR NOT EXISTS ${out}/notes.txt)
  message(FATAL_ERROR "send --out did not replace the earlier preview safely")
endif()
file(CREATE_LINK ${out} ${out}-link SYMBOLIC)
run_sim(2 "is a symbolic link" send --out ${out}-link)
file(REMOVE ${out}-link)
# An empty argument does not survive run_sim's ARGN.
execute_process(COMMAND ${SIM} send --out "" RESULT_VARIABLE code ERROR_VARIABLE err
                OUTPUT_QUIET)
if(NOT code EQUAL 2 OR NOT err MATCHES "--out needs a folder name")
  message(FATAL_ERROR "norvale-sim send --out \"\": exit ${code}\n${err}")
endif()
set(bad ${CMAKE_CURRENT_BINARY_DIR}/cli_test_bad.json)
file(WRITE ${bad} "{\"message\": {\"subject\": 1}}")
run_sim(2 "cli_test_bad.json: $.message.subject" send ${bad})
file(WRITE ${bad} "{\"message\": {}, \"extra\": true}")
run_sim(2 "$.extra" send ${bad})
file(WRITE ${bad} "{\"message\": {}, \"faults\": [{\"call\": \"MailItem.Send\", \"hr\": \"E_FAIL\"}]}")
run_sim(2 "$.faults[0].hr" send ${bad})
file(WRITE ${bad} "{\"message\": ")
run_sim(2 "invalid JSON" send ${bad})
run_sim(2 "cannot open" send /nonexistent/scenario.json)
run_sim(2 "'${SAMPLES}' is a folder" send ${SAMPLES})
file(WRITE ${bad} "{\"message\": {\"recipients\": [{\"type\": 1e400}]}}")
run_sim(2 "cli_test_bad.json: $.message.recipients[0].type: number out of range" send ${bad})
# A value of the scenario cannot forge a line of the summary.
file(WRITE ${bad} "{\"message\": {\"subject\": \"Hi\\nCopy 9\", \"recipients\": [{\"address\": \"a@x.example\"}]}}")
run_sim(0 "Subject: Hi\\x0ACopy 9\n" send ${bad})
