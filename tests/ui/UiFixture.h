// What the window tests share: a fresh program folder and settings store for
// each test, galaxy files built record by record, and finding controls by
// their names.
#pragma once

#include "galaxy/GalaxyFormat.h"
#include "state/Declare.h"
#include "support/GalaxyBuilder.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QWidget>

#include <initializer_list>
#include <vector>

namespace uitest {

// The family the windows are drawn in: the first of the families they ask
// for that is installed (on Windows without Arial, as under Wine, its
// Liberation twin).
inline QString FirstInstalled(const QStringList& families)
{
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            return family;
        }
    }
    return families.first();
}

// A program folder and a settings store of its own, and the scripted desktop
// services answering for the user. Construct one at the start of a test.
class Workspace : public testsupport::Sandbox {
public:
    Workspace() { m_platform.folder = QDir::toNativeSeparators(folder()); }

    testsupport::ScriptedPlatform& platform() { return m_platform; }

private:
    testsupport::ScriptedPlatform m_platform;
};

// The open window of this kind, one of those that exist once (the merge
// window, the monitor, the viewer), or nullptr.
template <typename Window>
Window* Opened()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<Window*>(window)) {
            return found;
        }
    }
    return nullptr;
}

// The desktop's services that the windows of a test are made with: the
// scripted ones of the test's Workspace.
inline platform::Platform& Desktop()
{
    return testsupport::ScriptedPlatform::InUse();
}

using testsupport::RawStore;
using testsupport::StoredRaw;
using testsupport::StoreGalaxy;
using testsupport::StoreRaw;

using Planet = testsupport::PlanetValues;

inline galaxy::SystemRecord Record(std::int16_t system, std::int16_t count, std::initializer_list<Planet> planets)
{
    return testsupport::MakeRecord(system, count, planets);
}

// Writes a galaxy file: the 4-byte header, then the records, then tail bytes
// of a record not yet finished; or appends the records and the tail.
inline bool WriteGalaxy(const QString& path, const std::vector<galaxy::SystemRecord>& records, int tail = 0,
                        bool append = false)
{
    testsupport::GalaxyBuilder galaxy(append ? QByteArray() : QByteArray("GXY1", 4));
    for (const galaxy::SystemRecord& record : records) {
        galaxy.add(record);
    }
    galaxy.addRaw(QByteArray(tail, '\x5A'));
    return append ? testsupport::AppendTo(path, galaxy.bytes()) : galaxy.writeTo(path);
}

using testsupport::ReadAll;
using testsupport::WriteFile;

template <typename Control>
Control* Find(const QObject* root, const char* name)
{
    return root->findChild<Control*>(QString::fromLatin1(name));
}

// The visible top-level window of the program with the given name.
inline QWidget* TopLevel(const char* name)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(name) && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

} // namespace uitest
