#pragma once

#include <QString>

// While it lives, this thread opens files as an ordinary user does, so that
// file permissions stop it. Root passes every permission check, so as root the
// thread's file-system identity becomes "nobody" (which also drops root's
// file capabilities); as anyone else there is nothing to change.
class OrdinaryUser
{
public:
    OrdinaryUser();
    ~OrdinaryUser();
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

    // False when the identity could not be changed; errorString() says why.
    [[nodiscard]] bool isActive() const { return m_active; }
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool m_active = false;
    bool m_changed = false;
    unsigned m_uid = 0;
    unsigned m_gid = 0;
    QString m_error;
};
