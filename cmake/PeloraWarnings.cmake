# Warnings for every target of the project, errors in CI, sanitizers on request.
add_compile_options(-Wall -Wextra -Wpedantic)
if(PELORA_WERROR)
    add_compile_options(-Werror)
endif()
if(PELORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
add_compile_definitions(
    PELORA_VERSION="${PROJECT_VERSION}"
    PELORA_APP_ID="${PELORA_APP_ID}"
    PELORA_DEFAULT_ORIGIN="${PELORA_DEFAULT_ORIGIN}"
    PELORA_UPDATE_FEED_URL="${PELORA_UPDATE_FEED_URL}")
