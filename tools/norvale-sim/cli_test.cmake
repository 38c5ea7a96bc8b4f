# Runs norvale-sim's text subcommands as a user would and checks their output
# and exit codes. Invoked by CTest with -DSIM=<program> -DSAMPLES=<folder>.
function(run_sim expected_code expected_output)
  execute_process(COMMAND ${SIM} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
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
run_sim(2 "norvale-sim:" frobnicate)
run_sim(2 "cannot open" rewrite --query q /nonexistent/body.html)
run_sim(2 "cannot be combined" rewrite --query q --subject s ${SAMPLES}/sample-email.html)
run_sim(0 "href=\"https://www.contoso.com/products?q\"" rewrite --query q ${SAMPLES}/sample-email.html)
run_sim(0 "nv_subject=SGVsbG8_" rewrite --subject " Hello " --company Contoso ${SAMPLES}/sample-email.html)
