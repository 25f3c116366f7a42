#include "transports/networktransport.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

// The module beside the installed program, else where this tree built it.
CreateRemoteLine loadModule(QString *error)
{
    static CreateRemoteLine create = nullptr;
    static QString failure;
    if (create || !failure.isEmpty()) {
        *error = failure;
        return create;
    }
    QStringList tried;
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/" RM740_NETWORK_MODULE_FROM_BIN);
    for (const QString &path : {QDir::cleanPath(installed), QStringLiteral(RM740_NETWORK_MODULE_BUILT)}) {
        QLibrary module(path);
        if (module.load()) {
            create = reinterpret_cast<CreateRemoteLine>(module.resolve(CreateRemoteLineSymbol));
            if (create)
                return create;
        }
        tried.append(module.errorString());
    }
    failure = QStringLiteral("network ports are not available: %1").arg(tried.join(QStringLiteral("; ")));
    *error = failure;
    return nullptr;
}

} // namespace

NetworkTransport::NetworkTransport(const PortTarget &target, QObject *parent)
    : PortTransport(parent)
    , m_target(target)
{
}

NetworkTransport::~NetworkTransport() = default;

bool NetworkTransport::open(const SerialParameters &parameters)
{
    if (!m_line) {
        QString error;
        const CreateRemoteLine create = loadModule(&error);
        if (!create) {
            setErrorString(error);
            return false;
        }
        // Queued, as a QObject's signals are: the line calls back from inside
        // its own handlers.
        m_line.reset(create(m_target, RemoteLine::Events{
            [this] { emit readyRead(); },
            [this] {
                setErrorString(m_line->errorString());
                emit lost();
            }}));
    }
    const bool opened = m_line->open(parameters);
    setErrorString(m_line->errorString());
    return opened;
}

void NetworkTransport::close()
{
    if (m_line)
        m_line->close();
}

bool NetworkTransport::isOpen() const
{
    return m_line && m_line->isOpen();
}

void NetworkTransport::write(const QByteArray &bytes)
{
    if (m_line)
        m_line->write(bytes);
}

QByteArray NetworkTransport::readAll()
{
    return m_line ? m_line->readAll() : QByteArray();
}

void NetworkTransport::discardInput()
{
    if (m_line)
        m_line->discardInput();
}
