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

# Qt's strict string rules, for every target: no implicit conversion between
# 8-bit strings and QString or QUrl (texts say which encoding they are in:
# u"…"_s, "…"_L1), no keyword macros (Q_SIGNALS, Q_SLOTS, Q_EMIT), and + on
# strings builds once through QStringBuilder.
add_compile_definitions(
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_KEYWORDS QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER)
