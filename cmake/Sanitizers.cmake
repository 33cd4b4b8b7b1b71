# Sanitizers apply to the whole build so that libraries and tests agree on the runtime.
if(SAPPERLY_SANITIZE)
    add_compile_options(-fsanitize=${SAPPERLY_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${SAPPERLY_SANITIZE})
endif()
