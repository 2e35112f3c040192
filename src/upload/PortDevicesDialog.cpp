#include "upload/PortDevicesDialog.h"

#include "base/Dialogs.h"
#include "base/QtAdapt.h"
#include "frames/LinkUrl.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
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
constexpr QStringView CheckedMark = u" (выбран)";
constexpr QStringView LineBreakRefused =
    u"COM %1: в пути к устройству есть перевод строки. Такой путь не записывается.";
constexpr QStringView OutsideCodePage = u"COM %1: в пути к устройству есть символы вне кодировки "
                                        u"Windows-1251 (%2). Такой путь не записывается.";
constexpr QStringView MissingDevices =
    u"Такого устройства сейчас нет. Выбор записан, но порт откроется, только когда устройство "
    u"появится.";
constexpr QStringView UrlHint =
    u"Устройство за сетевым преобразователем: socket://адрес:порт или rfc2217://адрес:порт; "
    u"знак, чей агент на брокере MQTT: mqtt://[имя@]адрес[:порт]/знак (mqtts:// с TLS)";
constexpr QStringView BadUrl = u"COM %1: адрес не годится (%2). Такой адрес не записывается.";

// Why the typed URL cannot be used, or nothing for a path or a good URL.
QString urlProblem(const QString& typed) {
    const std::string device = typed.trimmed().toStdString();
    std::string why;
    if (!looksLikeUrl(device) || parseLinkUrl(device, &why))
        return {};
    return QString::fromStdString(why);
}

QString shown(const serialdevices::Device& device) {
    const QString path = QString::fromStdString(device.path);
    const QString label = QString::fromStdString(device.label);
    return label.isEmpty() || label == QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1)
               ? path
               : label + QStringLiteral(" — ") + path;
}

} // namespace

PortDevicesDialog::PortDevicesDialog(const std::vector<serialdevices::Device>& present,
                                     const Choice& current, int checked, Dialogs& dialogs,
                                     QWidget* parent)
    : QDialog(parent), m_current(current), m_dialogs(dialogs) {
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
        const bool isChecked = n + 1 == checked;
        auto* label =
            new QLabel(ItemLabel.toString() + QString::number(n + 1) +
                           (isChecked ? CheckedMark.toString() : QString()) + QLatin1Char(':'),
                       this);
        if (isChecked) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        label->setBuddy(combo);
        LabelCom[n] = label;
        form->addRow(label, combo);
    }
    layout->addLayout(form);
    auto* hint = new QLabel(UrlHint.toString(), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

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

QString PortDevicesDialog::refusal(int n, const QString& path) const {
    if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return LineBreakRefused.toString().arg(n + 1);
    QString outside;
    for (qsizetype i = 0; i < path.size(); ++i) {
        // A character beyond the 16-bit range is a surrogate pair: both halves, or it breaks.
        const qsizetype length = path.at(i).isHighSurrogate() && i + 1 < path.size() ? 2 : 1;
        const QString character = path.mid(i, length);
        i += length - 1;
        if ((length == 2 || !qtadapt::inCp1251(character.front())) && !outside.contains(character))
            outside += character;
    }
    if (!outside.isEmpty())
        return OutsideCodePage.toString().arg(n + 1).arg(outside);
    if (const QString why = urlProblem(path); !why.isEmpty())
        return BadUrl.toString().arg(n + 1).arg(why);
    return {};
}

void PortDevicesDialog::accept() {
    const Choice chosen = choice();
    for (int n = 0; n < 5; ++n) {
        if (const QString why = refusal(n, chosen[n]); !why.isEmpty()) {
            m_dialogs.warning(this, why);
            ComboCom[n]->setFocus();
            return;
        }
    }
    QStringList missing;
    for (int n = 0; n < 5; ++n)
        if (chosen[n] != m_current[n] && !looksLikeUrl(chosen[n].toStdString()) &&
            !QFileInfo::exists(chosen[n]))
            missing << ItemLabel.toString() + QString::number(n + 1) + QStringLiteral(": ") +
                           chosen[n];
    if (!missing.isEmpty())
        m_dialogs.warning(this, MissingDevices.toString(), missing.join(QLatin1Char('\n')));
    QDialog::accept();
}
