# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings for our own targets only; third-party sources keep their own habits.
function(ryvel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
