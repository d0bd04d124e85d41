#include "app/settings/StorageSettings.h"

#include "app/model/AppModel.h"
#include "app/settings/ControlBinding.h"
#include "app/settings/FormSection.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace snipstack {
namespace {

// Dates count seconds from 2001-01-01 UTC.
constexpr qint64 referenceDateUnixSeconds = 978307200;

QPushButton* button(const QString& name, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    return button;
}

QString cipherChoiceText(Cipher cipher) {
    const std::string_view name = displayName(cipher);
    return QString::fromUtf8(name.data(), qsizetype(name.size())) +
           (isFIPSApproved(cipher) ? QStringLiteral(" (FIPS-approved)")
                                   : QStringLiteral(" (not FIPS-approved)"));
}

} // namespace

StorageSettings::StorageSettings(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->setSpacing(18);
    layout->addWidget(makeModeSection());
    layout->addWidget(makeLocationSection());
    layout->addWidget(makeEncryptionSection());
    layout->addWidget(makeClearSection());
    layout->addStretch();
}

QWidget* StorageSettings::makeModeSection() {
    auto* section = new FormSection;
    Preferences& preferences = model_.preferences();
    auto* persistent = new ToggleSwitch(QStringLiteral("Keep history across restarts"));
    persistent->setObjectName(QStringLiteral("persistent"));
    bindSwitch(
        persistent, &preferences, &Preferences::persistentChanged,
        [&preferences] { return preferences.persistent(); },
        [this](bool on) {
            if (on) {
                model_.setPersistent(true);
            } else {
                model_.confirmMemoryOnly();
            }
        });
    section->addRow(persistent->accessibleName(), persistent);

    modeStatus_ = section->footer();
    modeStatus_->setObjectName(QStringLiteral("storageStatus"));
    connect(&preferences, &Preferences::persistentChanged, this, &StorageSettings::showMode);
    connect(&model_, &AppModel::itemsChanged, this, &StorageSettings::showMode);
    showMode();
    return section;
}

void StorageSettings::showMode() {
    const QString mode = model_.preferences().persistent()
                             ? QStringLiteral("History is saved to an encrypted store on this computer.")
                             : QStringLiteral("History is kept in memory only. It is lost when you restart, "
                                              "shut down or quit Snipstack.");
    const auto count = qlonglong(model_.items().size());
    modeStatus_->setText(mode + QLatin1Char('\n') + QLocale().toString(count) +
                         (count == 1 ? QStringLiteral(" item stored.") : QStringLiteral(" items stored.")));
}

QWidget* StorageSettings::makeLocationSection() {
    auto* section = new FormSection(QStringLiteral("Location"));
    dataFile_ = new QLabel;
    dataFile_->setObjectName(QStringLiteral("dataFile"));
    dataFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path is shown whole across lines rather than cut.
    dataFile_->setWordWrap(true);
    dataFile_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    section->addRow(QStringLiteral("Data file"), dataFile_);

    auto* choose = button(QStringLiteral("chooseFolder"), QStringLiteral("Choose Folder…"));
    connect(choose, &QPushButton::clicked, this, &StorageSettings::chooseFolder);
    moveBack_ = button(QStringLiteral("moveBackToDefault"), QStringLiteral("Move Back to Default"));
    connect(moveBack_, &QPushButton::clicked, this, [this] { model_.moveDataFile(std::nullopt); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(moveBack_);
    buttons->addWidget(choose);
    section->addRow(buttons);

    section->footer()->setText(QStringLiteral(
        "You can keep the data file in another folder, such as a synced folder or an external disk. The file "
        "is encrypted, and its key stays in this computer's keyring. A copy of the file cannot be read on "
        "another computer, or after the key has been rotated or removed, so it is not a backup you can "
        "restore elsewhere."));
    connect(&model_, &AppModel::customStorageFolderChanged, this, &StorageSettings::showLocation);
    showLocation();
    return section;
}

void StorageSettings::showLocation() {
    const std::optional<std::filesystem::path>& folder = model_.customStorageFolder();
    dataFile_->setText(folder ? QString::fromStdString(folder->string())
                              : QStringLiteral("Default location"));
    moveBack_->setVisible(folder.has_value());
}

void StorageSettings::chooseFolder() {
    const QString folder = QFileDialog::getExistingDirectory(window(), QStringLiteral("Choose Folder"), {},
                                                             QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty()) {
        model_.moveDataFile(std::filesystem::path(folder.toStdString()));
    }
}

QWidget* StorageSettings::makeEncryptionSection() {
    auto* section = new FormSection(QStringLiteral("Encryption"));
    Preferences& preferences = model_.preferences();

    auto* cipher = new QComboBox;
    cipher->setObjectName(QStringLiteral("cipher"));
    std::vector<std::pair<Cipher, QString>> ciphers;
    for (const Cipher choice : allCiphers) {
        ciphers.emplace_back(choice, cipherChoiceText(choice));
    }
    bindPicker<Cipher>(
        cipher, ciphers, &preferences, &Preferences::cipherChanged,
        [&preferences] { return preferences.cipher(); }, [this](Cipher choice) { model_.setCipher(choice); });
    section->addRow(QStringLiteral("Cipher"), cipher);

    lastRotation_ = new QLabel;
    lastRotation_->setObjectName(QStringLiteral("lastRotation"));
    connect(&model_, &AppModel::lastRotationChanged, this, &StorageSettings::showLastRotation);
    showLastRotation();
    section->addRow(QStringLiteral("Key last rotated"), lastRotation_);

    auto* rotation = new ToggleSwitch(QStringLiteral("Rotate the key automatically"));
    rotation->setObjectName(QStringLiteral("rotationEnabled"));
    bindSwitch(
        rotation, &preferences, &Preferences::rotationEnabledChanged,
        [&preferences] { return preferences.rotationEnabled(); },
        [&preferences](bool on) { preferences.setRotationEnabled(on); });
    auto* days = new QSpinBox;
    days->setObjectName(QStringLiteral("rotationDays"));
    days->setRange(1, 365);
    days->setKeyboardTracking(false);
    days->setPrefix(QStringLiteral("Every "));
    days->setSuffix(QStringLiteral(" days"));
    bindSpinBox(
        days, &preferences, &Preferences::rotationDaysChanged,
        [&preferences] { return preferences.rotationDays(); },
        [&preferences](int count) { preferences.setRotationDays(count); });
    const auto enableDays = [days, &preferences] { days->setEnabled(preferences.rotationEnabled()); };
    enableDays();
    connect(&preferences, &Preferences::rotationEnabledChanged, days, enableDays);
    // The interval sits beside the switch it belongs to.
    auto* rotationControls = new QWidget;
    auto* rotationLayout = new QHBoxLayout(rotationControls);
    rotationLayout->setContentsMargins(0, 0, 0, 0);
    rotationLayout->setSpacing(12);
    rotationLayout->addWidget(days);
    rotationLayout->addWidget(rotation);
    section->addRow(rotation->accessibleName(), rotationControls);

    auto* requireAuth = new ToggleSwitch(QStringLiteral("Require your keyring password to unlock the key"));
    requireAuth->setObjectName(QStringLiteral("requireAuth"));
    bindSwitch(
        requireAuth, &preferences, &Preferences::requireAuthChanged,
        [&preferences] { return preferences.requireAuth(); }, [this](bool on) { model_.setRequireAuth(on); });
    section->addRow(requireAuth->accessibleName(), requireAuth);

    auto* rotate = button(QStringLiteral("rotateKeyNow"), QStringLiteral("Rotate Key Now"));
    connect(rotate, &QPushButton::clicked, this, [this] { model_.rotateKey(true); });
    auto* rotateRow = new QHBoxLayout;
    rotateRow->addStretch();
    rotateRow->addWidget(rotate);
    section->addRow(rotateRow);

    section->footer()->setText(QStringLiteral(
        "Changing the cipher re-encrypts your history under a new key. The key is generated on this computer "
        "and stored only in your keyring. With authentication required, you are asked at launch, after wake "
        "and on every rotation, so automatic rotation is turned off unless you switch it back on."));
    return section;
}

void StorageSettings::showLastRotation() {
    const std::optional<Date>& rotated = model_.lastRotation();
    if (!rotated) {
        lastRotation_->setText(QStringLiteral("—"));
        return;
    }
    const auto milliseconds =
        qint64((rotated->secondsSinceReferenceDate + double(referenceDateUnixSeconds)) * 1000.0);
    lastRotation_->setText(
        QLocale().toString(QDateTime::fromMSecsSinceEpoch(milliseconds).toLocalTime(), QLocale::ShortFormat));
}

QWidget* StorageSettings::makeClearSection() {
    auto* section = new FormSection;
    auto* clear = button(QStringLiteral("clearHistory"), QStringLiteral("Clear Clipboard History…"));
    connect(clear, &QPushButton::clicked, this, [this] { model_.confirmClearHistory(); });
    auto* row = new QHBoxLayout;
    row->addWidget(clear);
    row->addStretch();
    section->addRow(row);
    return section;
}

} // namespace snipstack
