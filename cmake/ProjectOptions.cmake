# Compiler settings shared by every target of the project.

if(PELLAVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Applies the project's warning set to one of our own targets (not to third-party code).
function(pellavane_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${PELLAVANE_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE
            -Wall -Wextra -Wpedantic -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor
            $<$<BOOL:${PELLAVANE_WERROR}>:-Werror>)
    endif()
endfunction()
