// The sign-in plugin: the only library of the program that links Qt WebEngine.
#include "account/companion_session.h"
#include "account/sign_in_session_factory.h"

#include <QCoreApplication>
#include <QObject>
#include <QOpenGLContext>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace {

// The engine composites its pages with OpenGL in a context shared with the
// application's. A program whose views draw in software starts without one
// (making it costs the GL driver's memory for the whole run), so it is made
// here, when sign-in first needs it.
void ensureSharedOpenGLContext()
{
    if (qt_gl_global_share_context())
        return;
    auto *context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace

class SignInPlugin : public QObject, public SignInSessionFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PeloraSignInSessionFactory_iid)
    Q_INTERFACES(SignInSessionFactory)
public:
    std::unique_ptr<SignInSession> create(const QString &storageFolder) override
    {
        ensureSharedOpenGLContext();
        return std::make_unique<CompanionSession>(storageFolder, nullptr);
    }
};

#include "sign_in_plugin.moc"
