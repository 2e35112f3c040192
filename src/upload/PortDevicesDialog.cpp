#include "upload/PortDevicesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// Our own texts.
constexpr QStringView Title = u"Выбор устройств";
constexpr QStringView Present = u"Последовательные устройства компьютера:";
constexpr QStringView NonePresent = u"(не найдено ни одного)";
constexpr QStringView Items = u"Какое устройство открывает каждый пункт меню «СОМ Порт»:";
constexpr QStringView ItemLabel = u"COM ";

QString shown(const serialdevices::Device& device) {
    const QString path = QString::fromStdString(device.path);
    const QString label = QString::fromStdString(device.label);
    return label == QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1)
               ? path
               : label + QStringLiteral(" — ") + path;
}

} // namespace

PortDevicesDialog::PortDevicesDialog(const std::vector<serialdevices::Device>& present,
                                     const Choice& current, QWidget* parent)
    : QDialog(parent), m_current(current) {
    setObjectName(QStringLiteral("PortDevicesDialog"));
    setWindowTitle(Title.toString());
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(Present.toString(), this));
    ListDevices = new QListWidget(this);
    ListDevices->setObjectName(QStringLiteral("ListDevices"));
    for (const auto& device : present) {
        auto* item = new QListWidgetItem(shown(device), ListDevices);
        item->setData(Qt::UserRole, QString::fromStdString(device.path));
    }
    if (present.empty())
        ListDevices->addItem(NonePresent.toString());
    ListDevices->setMinimumHeight(90);
    layout->addWidget(ListDevices);

    layout->addWidget(new QLabel(Items.toString(), this));
    auto* form = new QFormLayout;
    for (int n = 0; n < 5; ++n) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("ComboCom%1").arg(n + 1));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMinimumContentsLength(36);
        for (const auto& device : present)
            combo->addItem(shown(device), QString::fromStdString(device.path));
        // The current device first shows as typed text, so a path that is not listed (a
        // pseudo-terminal) stays as it is.
        const int at = combo->findData(current[n]);
        if (at >= 0)
            combo->setCurrentIndex(at);
        else
            combo->setEditText(current[n]);
        ComboCom[n] = combo;
        auto* label =
            new QLabel(ItemLabel.toString() + QString::number(n + 1) + QLatin1Char(':'), this);
        label->setBuddy(combo);
        form->addRow(label, combo);
    }
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

PortDevicesDialog::Choice PortDevicesDialog::choice() const {
    Choice chosen;
    for (int n = 0; n < 5; ++n) {
        const QComboBox* combo = ComboCom[n];
        // A listed device typed or picked: its path; anything else typed: taken as a path.
        const int at = combo->findText(combo->currentText());
        QString path = at >= 0 ? combo->itemData(at).toString() : combo->currentText().trimmed();
        chosen[n] = path.isEmpty() ? m_current[n] : path;
    }
    return chosen;
}
