#pragma once

// The terminal stays as quiet as the log: Qt's own categories (qt.*, such as
// the web engine's OpenGL report at every sign-in) print nothing below a
// critical error, while the program's pelora.* categories keep their
// warnings. These are default filter rules only: QT_LOGGING_CONF and
// QT_LOGGING_RULES still override them, so a learner reporting a problem can
// turn any of it back on. Every executable of the program calls install()
// before it creates its application object; it lives in this library because
// all of them link it.
namespace LoggingDefaults {
void install();
}
