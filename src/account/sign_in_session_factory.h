#pragma once

#include "account/sign_in_session.h"

#include <QString>
#include <QtPlugin>
#include <memory>

// What the sign-in plugin offers: the web engine's sign-in session, kept in a
// library of its own so that the program loads Qt WebEngine only when the
// learner first signs in.
class SignInSessionFactory {
public:
    virtual ~SignInSessionFactory() = default;
    // A session keeping its data in `storageFolder`.
    virtual std::unique_ptr<SignInSession> create(const QString &storageFolder) = 0;
};

#define PeloraSignInSessionFactory_iid "app.pelora.companion.SignInSessionFactory/1"
Q_DECLARE_INTERFACE(SignInSessionFactory, PeloraSignInSessionFactory_iid)
