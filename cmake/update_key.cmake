# The publisher's public key, built into qvxUpgraded.exe.
#
# QVX_UPDATE_PUBLIC_KEY names a PEM public key (ECDSA P-256). Without it, a development key pair
# is made once in <build>/update-key/ (private.pem, public.pem) with openssl, so a build tree can
# publish updates its own updater accepts. A private key never enters the source tree.
#
#   qvx_update_public_key_header(<output header>)
#       writes `kUpdatePublicKey`, the public point X||Y as 64 bytes.

set(QVX_UPDATE_PUBLIC_KEY "" CACHE FILEPATH "PEM public key (ECDSA P-256) whose signatures qvxUpgraded.exe accepts")

function(qvx_update_public_key_header header)
    find_program(QVX_OPENSSL openssl REQUIRED)
    set(publicKey "${QVX_UPDATE_PUBLIC_KEY}")
    if(NOT publicKey)
        set(keyDir ${CMAKE_BINARY_DIR}/update-key)
        set(publicKey ${keyDir}/public.pem)
        if(NOT EXISTS ${keyDir}/private.pem)
            file(MAKE_DIRECTORY ${keyDir})
            execute_process(
                COMMAND ${QVX_OPENSSL} genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256
                        -out ${keyDir}/private.pem
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
            if(failed)
                message(FATAL_ERROR "openssl could not make the development update key")
            endif()
            file(CHMOD ${keyDir}/private.pem PERMISSIONS OWNER_READ OWNER_WRITE)
            file(REMOVE ${publicKey})
        endif()
        if(NOT EXISTS ${publicKey})
            execute_process(
                COMMAND ${QVX_OPENSSL} pkey -in ${keyDir}/private.pem -pubout -out ${publicKey}
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
            if(failed)
                message(FATAL_ERROR "openssl could not write ${publicKey}")
            endif()
        endif()
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${publicKey})

    set(der ${CMAKE_CURRENT_BINARY_DIR}/update-public-key.der)
    execute_process(COMMAND ${QVX_OPENSSL} pkey -pubin -in ${publicKey} -outform DER -out ${der}
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
        message(FATAL_ERROR "${publicKey} is no PEM public key")
    endif()
    file(READ ${der} hex HEX)
    # SubjectPublicKeyInfo of an uncompressed P-256 point: this fixed prefix, then X||Y.
    set(p256Prefix "3059301306072a8648ce3d020106082a8648ce3d03010703420004")
    string(LENGTH "${hex}" hexLength)
    string(SUBSTRING "${hex}" 0 54 prefix)
    if(NOT hexLength EQUAL 182 OR NOT prefix STREQUAL p256Prefix)
        message(FATAL_ERROR "${publicKey} is not an ECDSA P-256 (prime256v1) public key")
    endif()
    string(SUBSTRING "${hex}" 54 128 point)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${point}")
    file(CONFIGURE OUTPUT ${header} CONTENT
"#pragma once
// Generated from ${publicKey}: the public point X||Y of the publisher's update key.
inline constexpr char kUpdatePublicKey[64] = {${bytes}};
")
endfunction()
