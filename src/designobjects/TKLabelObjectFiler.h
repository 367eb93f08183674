#pragma once
// Reading and writing design objects in the design file encoding: whole
// surfaces, the three surfaces of a report with the caller's values, the
// selection and single objects through the clip file, and cloning through
// memory. A filer is made for one operation; errors are thrown as
// DesignFileError with the message the user sees.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "designobjects/DesignStream.h"

class QObject;

namespace brindle::designobjects {

class ComponentNumbers;
class DesignDocument;
class TKGraphicControl;

class TKLabelObjectFiler {
public:
    using ObjectStep = std::function<void(TKGraphicControl&)>;
    using WriteStep = std::function<void(DesignWriter&)>;
    using ReadStep = std::function<void(DesignReader&)>;

    // ---- files
    void saveSurface(DesignDocument& surface, const QString& path);
    void loadSurface(QObject* owner, DesignDocument& surface, const QString& path);
    void saveSurfaces(DesignDocument& a, DesignDocument& b, DesignDocument& c, const QString& path,
                      const WriteStep& write);
    void loadSurfaces(QObject* owner, DesignDocument& a, DesignDocument& b, DesignDocument& c, const QString& path,
                      const ReadStep& read);
    // Does nothing when the selection is empty.
    void saveSelection(const std::vector<TKGraphicControl*>& selection, const QString& path);
    // Reads like loadSurface and moves every object 15 pixels right and down.
    void pasteObjects(QObject* owner, DesignDocument& surface, const QString& path);
    void saveObject(const TKGraphicControl& object, const QString& path);
    // The copy lands on the same surface as its last object.
    void cloneObject(const TKGraphicControl& object, QObject* owner, DesignDocument& surface);

    // The objects created by the last read, in order ("Component0 (TKPLabel)"),
    // including those kept when the read stopped at an error.
    const QStringList& objectsRead() const { return read_; }

    // ---- in memory
    static void writeObject(DesignWriter& w, const TKGraphicControl& o);
    static void writeObjectList(DesignWriter& w, const std::vector<const TKGraphicControl*>& objects);
    void readObjectList(DesignReader& r, QObject* owner, DesignDocument& surface, const ObjectStep& step = {});
    // `unicode`: an in-memory copy keeping text as UTF-8 (read it back with
    // a reader in Unicode mode).
    static QByteArray encode(const std::vector<const TKGraphicControl*>& objects, bool unicode = false);

    // Atomic replacement of a file: written beside it, then renamed over it.
    static void writeFile(const QString& path, const QByteArray& bytes);
    // Whole file; false when it does not exist. Throws when it cannot be read.
    static bool readFile(const QString& path, QByteArray& bytes);

private:
    TKGraphicControl* readObject(DesignReader& r, DesignDocument& surface, ComponentNumbers& names);
    QStringList read_;
};

}  // namespace brindle::designobjects
