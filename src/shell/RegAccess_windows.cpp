#include "shell/RegAccess.h"

#include <windows.h>

namespace tunewalk {

namespace {

HKEY rootKey(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegRoot::Users:
        return HKEY_USERS;
    }
    return HKEY_LOCAL_MACHINE;
}

// Read access plus every right over the key itself, the mask the reader has always opened with.
constexpr REGSAM keyAccess = 0x2003F;
constexpr DWORD bufferCharacters = 1024;

} // namespace

bool RegGetKeyValue(RegRoot root, const QString& keyName, const QString& valueName,
                    QString& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(rootKey(root), reinterpret_cast<LPCWSTR>(keyName.utf16()), 0, keyAccess,
                      &key) != ERROR_SUCCESS) {
        value.clear();
        return false;
    }
    wchar_t buffer[bufferCharacters] = {};
    DWORD size = sizeof buffer; // in bytes: room for 1024 characters
    DWORD type = 0;
    const LSTATUS status =
        RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(valueName.utf16()), nullptr, &type,
                         reinterpret_cast<LPBYTE>(buffer), &size);
    if (status != ERROR_SUCCESS) {
        value.clear();
        RegCloseKey(key);
        return false;
    }
    convertRegValue(type,
                    QByteArray(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size)),
                    value);
    RegCloseKey(key);
    return true;
}

} // namespace tunewalk
