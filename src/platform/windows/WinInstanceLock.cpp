#include "platform/InstanceLock.h"

#include <QDir>

#include <windows.h>

namespace {

QString systemText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message =
        length ? QString::fromWCharArray(text, int(length)).trimmed() : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

} // namespace

InstanceLock::InstanceLock(const QString& path) : m_path(path)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    // Not inheritable (no security attributes): a program started from a note must not keep the
    // lock alive after this one has gone. Others may read and write the file; the lock on its
    // first byte is what counts.
    HANDLE file = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        file = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(native.c_str());
        m_systemMessage = systemText(error);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            m_problem = Problem::IsFolder;
        else if (attributes == INVALID_FILE_ATTRIBUTES)
            m_problem = Problem::CannotCreate;
        else if (error == ERROR_ACCESS_DENIED)
            m_problem = Problem::Denied;
        else
            m_problem = Problem::Other;
        return;
    }
    OVERLAPPED start = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            m_outcome = Outcome::HeldElsewhere;
        } else {
            m_problem = Problem::Other;
            m_systemMessage = systemText(error);
        }
        return;
    }
    m_handle = reinterpret_cast<qintptr>(file);
    m_outcome = Outcome::Held;
}

InstanceLock::~InstanceLock()
{
    // The system drops the lock with the handle, and with the process however it ends.
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}
