// The length monitor's tick on the longest texts the sign takes. It runs every second on the
// user-interface thread, so it must stay far below a millisecond whatever the length.

#include "app/MainForm.h"
#include "base/Dialogs.h"
#include "editor/LengthMonitor.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "upload/SerialLink.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class SilentDialogs : public Dialogs {
public:
    void error(QWidget*, const QString&) override {}
    void warning(QWidget*, const QString&, const QString&) override {}
    bool askYesNo(QWidget*, const QString&) override { return false; }
    std::optional<QString> openFileName(QWidget*, const FileRequest&) override { return {}; }
    std::optional<QString> saveFileName(QWidget*, const FileRequest&) override { return {}; }
    std::optional<QFont> chooseFont(QWidget*, const QFont&) override { return {}; }
    std::optional<QString> askPassword(QWidget*, const QString&) override { return {}; }
    bool runDialog(QDialog&) override { return false; }
};

class NoSerialLink : public SerialLink {
public:
    OpenStatus open(const std::string&) override { return {}; }
    WriteStatus write(std::span<const std::uint8_t>, std::chrono::milliseconds) override {
        return {};
    }
    QueueStatus pending() override { return {}; }
    void discard() override {}
    void close() override {}
};

// One window for every benchmark, built in a scratch folder so that no settings or last file
// of the user's are read.
struct Window {
    QTemporaryDir folder;
    SilentDialogs dialogs;
    NoSerialLink serial;
    FontTables font;
    std::unique_ptr<TMainForm> form;

    Window() {
        QDir(folder.path()).mkpath(QStringLiteral("config"));
        QDir::setCurrent(folder.path());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path() + QStringLiteral("/config")));
        form = std::make_unique<TMainForm>(dialogs, serial, font);
        form->resize(592, 440);
        form->show();
    }
};

Window* window = nullptr;

// 60,000 characters as the sign counts them: Cyrillic lines of 58 letters and a break, or one
// unbroken paragraph.
QString longText(bool lines) {
    QString text;
    int counted = 0; // a line break counts two
    while (counted < 60000) {
        if (lines && text.size() % 59 == 58 && counted + 2 <= 60000) {
            text.append(QLatin1Char('\n'));
            counted += 2;
            continue;
        }
        text.append(QChar(u'а' + static_cast<char16_t>(text.size() % 32)));
        ++counted;
    }
    return text;
}

void setText(bool lines, bool selection) {
    TMainForm& form = *window->form;
    form.RichEdit->setPlainText(longText(lines));
    QTextCursor cursor(form.RichEdit->document());
    cursor.setPosition(100);
    if (selection)
        cursor.setPosition(30000, QTextCursor::KeepAnchor);
    form.RichEdit->setTextCursor(cursor);
}

void Tick(benchmark::State& state) {
    const bool lines = state.range(0) != 0;
    const bool selection = state.range(1) != 0;
    setText(lines, selection);
    TMainForm& form = *window->form;
    for (auto _ : state)
        form.TimerLengTXTTimer();
    state.counters["length"] = form.messageLength();
}
BENCHMARK(Tick)
    ->ArgNames({"lines", "selection"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

// What the tick would cost if it measured a copy of the text, for comparison.
void LengthByCopyingTheText(benchmark::State& state) {
    setText(true, false);
    TMainForm& form = *window->form;
    for (auto _ : state) {
        const QString text = form.RichEdit->toPlainText();
        benchmark::DoNotOptimize(text.size() + text.count(QLatin1Char('\n')));
    }
}
BENCHMARK(LengthByCopyingTheText)->Unit(benchmark::kMicrosecond);

void Arithmetic(benchmark::State& state) {
    std::int64_t length = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lengthmonitor::read(length, (length & 1) != 0));
        length = (length + 7919) % 70000;
    }
}
BENCHMARK(Arithmetic);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Window shared;
    window = &shared;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window = nullptr;
    return 0;
}
