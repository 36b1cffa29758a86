#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

#include "metadata/tags/AudioTags.h"

class QFormLayout;
class QLabel;

namespace tunewalk {

class ReturnAddress;

// The program's own properties sheet of a file or folder, for desktops whose file manager does
// not show one: name, type, location, size, a folder's contents, modified time, permissions
// and owner. A folder is counted on a worker thread; its size and contents follow when known.
class PropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PropertiesDialog(const QString& path, QWidget* owner = nullptr);
    ~PropertiesDialog() override;

    QString path() const { return m_path; }
    // The value shown for a row ("Name", "Type", "Location", "Link to", "Size", "Contents",
    // "Modified", "Permissions", "Owner", "Group"); empty when the row is not there.
    QString value(const QString& row) const;
    // False while a folder is still being counted or an audio file read.
    bool isComplete() const { return !m_counting; }

signals:
    void completed();

private:
    struct Tally;
    QLabel* addRow(const QString& row, const QString& caption, const QString& text);
    void startCounting();
    // An audio file's stream and tags, as the tag library reads them, follow when read.
    void startReadingAudio();
    void showAudio(const std::optional<AudioTags>& tags);
    void showTally(const Tally& tally, bool done);

    QString m_path;
    QFormLayout* m_form;
    QLabel* m_size = nullptr;
    QLabel* m_contents = nullptr;
    bool m_counting = false;
    std::shared_ptr<ReturnAddress> m_back; // the folder count's way back
};

} // namespace tunewalk
