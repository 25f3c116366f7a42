#include "support/ordinaryuser.h"

#include <sys/fsuid.h>
#include <unistd.h>

namespace {
constexpr unsigned Nobody = 65534;
}

OrdinaryUser::OrdinaryUser()
{
    if (::geteuid() != 0) {
        m_active = true;
        return;
    }
    // setfsuid reports the identity in force before the call, never an error:
    // asking again tells whether the change was made.
    m_gid = unsigned(::setfsgid(Nobody));
    m_uid = unsigned(::setfsuid(Nobody));
    m_changed = true;
    m_active = unsigned(::setfsuid(Nobody)) == Nobody && unsigned(::setfsgid(Nobody)) == Nobody;
    if (!m_active)
        m_error = QStringLiteral("the file-system identity cannot be changed here");
}

OrdinaryUser::~OrdinaryUser()
{
    if (!m_changed)
        return;
    // Back to root first: changing the group needs the capabilities it restores.
    (void)::setfsuid(m_uid);
    (void)::setfsgid(m_gid);
}
