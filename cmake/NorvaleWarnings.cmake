# SPDX-FileCopyrightText: 2026 The Norvale player developers
# SPDX-License-Identifier: MIT

# Warnings for the project's own code; errors unless NORVALE_WERROR is off. With SOURCES the flags
# apply to those files only: a target that also compiles generated code (the QML compiler's output)
# names its own sources.
function(norvale_warnings target)
    cmake_parse_arguments(W "" "" "SOURCES" ${ARGN})
    if(MSVC)
        set(flags /W4 /permissive-)
        if(NORVALE_WERROR)
            list(APPEND flags /WX)
        endif()
    else()
        set(flags -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
            -Woverloaded-virtual)
        # Qt's logging macros (qCWarning(category) << ...) leave a variadic argument empty, which
        # clang's pedantic mode reports and GCC's does not.
        if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
            list(APPEND flags -Wno-gnu-zero-variadic-macro-arguments)
        endif()
        if(NORVALE_WERROR)
            list(APPEND flags -Werror)
        endif()
    endif()
    if(W_SOURCES)
        set_property(SOURCE ${W_SOURCES} APPEND PROPERTY COMPILE_OPTIONS ${flags})
    else()
        target_compile_options(${target} PRIVATE ${flags})
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII QT_NO_URL_CAST_FROM_STRING QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
        QT_USE_QSTRINGBUILDER)
endfunction()

# A Qt Test executable registered with CTest; tests run offscreen unless they say otherwise.
function(norvale_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    norvale_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
endfunction()

# A test that runs inside the namespaced test network (scripts/testnet, root only). Such tests
# never run beside each other: they share the namespaces and the fixed discovery port. Where the
# network cannot be had, the test skips its whole case, says why in its output and exits with 77
# (testnet::kSkippedExitCode in tests/protocol/testnet.h): CTest reports it as skipped, not
# passed. Any other exit, a crash or a sanitizer report included, still counts as a failure.
function(norvale_test_needs_testnet name)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endfunction()
