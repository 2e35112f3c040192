# Pictures drawn as SVG travel as PNG: rsvg-convert renders them at build time and rcc embeds
# them, so no system needs QtSvg or an image-format plugin to show them.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

# lumetra_add_pictures(<object library> PREFIX <resource prefix> SIZES <px>... FILES <svg>...)
# Each SVG becomes <prefix>/<stem>-<px>.png at every size given and at twice it (see LazyIcon).
function(lumetra_add_pictures target)
    cmake_parse_arguments(arg "" "PREFIX" "SIZES;FILES" ${ARGN})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_png)
    set(pixels)
    foreach(size IN LISTS arg_SIZES)
        math(EXPR double "${size} * 2")
        list(APPEND pixels ${size} ${double})
    endforeach()
    list(REMOVE_DUPLICATES pixels)
    set(pngs)
    foreach(svg IN LISTS arg_FILES)
        get_filename_component(stem ${svg} NAME_WE)
        get_filename_component(svg ${svg} ABSOLUTE)
        foreach(px IN LISTS pixels)
            set(png ${out}/${stem}-${px}.png)
            add_custom_command(OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
                COMMAND ${RSVG_CONVERT} --width=${px} --height=${px} --output=${png} ${svg}
                DEPENDS ${svg} VERBATIM)
            list(APPEND pngs ${png})
        endforeach()
    endforeach()
    qt_add_resources(${target} ${target}_png PREFIX ${arg_PREFIX} BASE ${out} FILES ${pngs}
        OPTIONS ${LUMETRA_RCC_OPTIONS})
endfunction()
