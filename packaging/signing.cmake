# Signing with Authenticode, when a certificate is given: the DLL after
# linking (server/) and each package after wixl (packaging/), both through
# sign.sh. NORVALE_SIGN_COMMAND signs the files given after it in place; it is
# empty without a certificate, and then nothing is signed.
set(NORVALE_SIGNING_CERT "" CACHE FILEPATH "PEM certificate (chain) to sign the DLL and packages with")
set(NORVALE_SIGNING_KEY "" CACHE FILEPATH "PEM private key of NORVALE_SIGNING_CERT")
set(NORVALE_SIGNING_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server for the signatures")
set(NORVALE_SIGNING_CA "" CACHE FILEPATH
    "Certificates that verify the signatures (default: the system's)")

set(NORVALE_SIGN_COMMAND "")
if(NORVALE_SIGNING_CERT)
  set(NORVALE_SIGN_COMMAND ${PROJECT_SOURCE_DIR}/packaging/sign.sh --cert ${NORVALE_SIGNING_CERT}
                           --key ${NORVALE_SIGNING_KEY})
  if(NORVALE_SIGNING_TIMESTAMP_URL)
    list(APPEND NORVALE_SIGN_COMMAND --timestamp ${NORVALE_SIGNING_TIMESTAMP_URL})
  endif()
  if(NORVALE_SIGNING_CA)
    list(APPEND NORVALE_SIGN_COMMAND --ca ${NORVALE_SIGNING_CA})
  endif()
endif()
