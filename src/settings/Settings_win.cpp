// The store in the registry, below HKEY_CURRENT_USER, one subkey per section
// under the application's key. Values are read and written through the
// Windows functions directly, so that a value is exactly the text: QSettings
// would store a text that begins with "@" in a form of its own. The registry
// matches names without regard to case itself.
#include "StoreBackend.h"
#include "platform/VersionRecord.h"

#include <qt_windows.h>

#include <string>

namespace settings {

namespace {

std::wstring SectionKey(const QString& section)
{
    const QString place = ScopedStorePlace::Current().isEmpty()
                              ? QStringLiteral("Software\\VB and VBA Program Settings")
                              : ScopedStorePlace::Current();
    return (place + QLatin1Char('\\') + platform::Version().productName + QLatin1Char('\\') + section).toStdWString();
}

class RegistryStore final : public Store::Backend {
public:
    // A string (REG_SZ, or REG_EXPAND_SZ left unexpanded) as its text, a
    // number (REG_DWORD) in decimal, anything else as the empty text.
    QString text(const QString& section, const QString& key) override
    {
        const std::wstring path = SectionKey(section);
        const std::wstring name = key.toStdWString();
        const DWORD kinds = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_RT_REG_DWORD | RRF_NOEXPAND;
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), kinds, &type, nullptr, &size)
            != ERROR_SUCCESS) {
            return {};
        }
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), kinds, &type, data.data(), &size)
            != ERROR_SUCCESS) {
            return {};
        }
        if (type == REG_DWORD) {
            return QString::number(*reinterpret_cast<const DWORD*>(data.data()));
        }
        return QString::fromStdWString(data.c_str());
    }

    bool save(const QList<Store::Change>& changes) override
    {
        for (const Store::Change& change : changes) {
            const std::wstring text = change.text.toStdWString();
            if (RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey(change.section).c_str(),
                                change.key.toStdWString().c_str(), REG_SZ, text.c_str(),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)))
                != ERROR_SUCCESS) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

std::unique_ptr<Store::Backend> OpenStore(Store::Use)
{
    return std::make_unique<RegistryStore>();
}

} // namespace settings
