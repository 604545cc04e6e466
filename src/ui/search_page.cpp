#include "ui/search_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "measure/measured_value.h"
#include "ui/connection_bar.h"
#include "ui/exchange_page.h"
#include "ui/named_control.h"
#include "ui/refresh_guard.h"

namespace m8163 {

namespace {

// The module number a range list stands for: the entry its text names (the
// user may type one), else `stored`.
int chosenAddress(const QComboBox& list, int stored) {
    bool number = false;
    const unsigned typed = list.currentText().trimmed().toUInt(&number);
    if (number && typed < static_cast<unsigned>(list.count()))
        return static_cast<int>(typed);
    return stored;
}

void showAddress(QComboBox& list, int address) {
    // Numbers from 256 up, and negative ones read unsigned, name no entry.
    if (static_cast<unsigned>(address) < 256)
        list.setCurrentIndex(address);
}

}  // namespace

SearchPage::SearchPage(QWidget& root, const PageContext& context, ConnectionBar& bar,
                       ExchangePage& exchange)
    : QObject(&root),
      context_(context),
      bar_(bar),
      exchange_(exchange),
      firstAddress_(namedControl<QComboBox>(root, "ComboBox12")),
      lastAddress_(namedControl<QComboBox>(root, "ComboBox13")),
      start_(namedControl<QPushButton>(root, "Button33")),
      stop_(namedControl<QPushButton>(root, "Button34")),
      progress_(namedControl<QLabel>(root, "Panel11")),
      found_(namedControl<QListWidget>(root, "ListBox1")),
      trials_(namedControl<QProgressBar>(root, "SearchProgress")) {
    setObjectName(QStringLiteral("SearchPage"));
    constexpr const char* kSpeedBoxes[] = {"CheckBox9",  "CheckBox10", "CheckBox11", "CheckBox12",
                                           "CheckBox13", "CheckBox14", "CheckBox18", "CheckBox19"};
    for (std::size_t i = 0; i < speeds_.size(); ++i)
        speeds_[i] = &namedControl<QCheckBox>(root, kSpeedBoxes[i]);
    constexpr const char* kParityBoxes[] = {"CheckBox15", "CheckBox16", "CheckBox17"};
    for (std::size_t i = 0; i < parities_.size(); ++i)
        parities_[i] = &namedControl<QCheckBox>(root, kParityBoxes[i]);

    QObject::connect(&start_, &QPushButton::clicked, this, [this] { Button33Click(); });
    context_.commands.connect(&stop_, &QPushButton::clicked, this, [this] { Button34Click(); });
    QObject::connect(&found_, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
}

void SearchPage::Button33Click() {
    context_.commands.runWithLine([this](LineLease& line) { search(line); });
}

void SearchPage::search(LineLease& lease) {
    takeOver();
    AppState& state = context_.state;
    state.searchRunning = true;
    // The search reopens the port for each trial anyway: a module taken over
    // from the list at a message pass between module numbers changes
    // nothing the next trial relies on.
    lease.allowTakeOver(true);
    const SearchLine line{lease.port(),  state.comPorts, state.connection,
                          lease.clock(), context_.boxes, lease.line().observer};
    // The search's readings are not the connection's: they go to a record
    // of their own, and the measured-value page keeps what it showed.
    const auto probe = [](const ModbusLine& trial) {
        MeasurementRecord record;
        return readMeasuredValue(trial, record);
    };
    runSearchCommand({state.search, state.foundDevices, state.searchRunning}, line, probe,
                     lease.pump(), *this);
}

void SearchPage::Button34Click() {
    context_.state.searchRunning = false;
}

void SearchPage::ListBox1Click() {
    // A take-over reopens the port: not while another command holds the
    // line, but during a search, which lets it at its message passes.
    context_.commands.runTakeOver([this](LineLease& line) {
        const std::optional<SearchHit> entry =
            foundEntryToTakeOver(context_.state.foundDevices, found_.currentRow());
        if (!entry)
            return;
        bar_.changeConnection(line, entry->speed, entry->parity, static_cast<int>(entry->address));
        exchange_.selectNetworkNumber(static_cast<int>(entry->address));
    });
}

void SearchPage::takeOver() {
    SearchSettings& settings = context_.state.search;
    for (std::size_t i = 0; i < speeds_.size(); ++i)
        settings.speeds[i] = speeds_[i]->isChecked() ? 1 : 0;
    settings.parityNone = parities_[0]->isChecked() ? 1 : 0;
    settings.parityOdd = parities_[1]->isChecked() ? 1 : 0;
    settings.parityEven = parities_[2]->isChecked() ? 1 : 0;
    settings.firstAddress = chosenAddress(firstAddress_, settings.firstAddress);
    settings.lastAddress = chosenAddress(lastAddress_, settings.lastAddress);
    completeSearchSettings(settings);
}

void SearchPage::clearFoundDevices() {
    context_.state.searchRunning = false;
    context_.state.foundDevices.clear();
    showSearch();
}

void SearchPage::lockSearch(bool locked) {
    for (QCheckBox* box : speeds_)
        box->setEnabled(!locked);
    for (QCheckBox* box : parities_)
        box->setEnabled(!locked);
    for (QWidget* control : std::initializer_list<QWidget*>{&firstAddress_, &lastAddress_, &start_})
        control->setEnabled(!locked);
    bar_.setSearchLock(locked);
}

void SearchPage::showSearch() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    const SearchSettings& settings = context_.state.search;
    for (std::size_t i = 0; i < speeds_.size(); ++i)
        speeds_[i]->setChecked(settings.speeds[i] != 0);
    parities_[0]->setChecked(settings.parityNone != 0);
    parities_[1]->setChecked(settings.parityOdd != 0);
    parities_[2]->setChecked(settings.parityEven != 0);
    showAddress(firstAddress_, settings.firstAddress);
    showAddress(lastAddress_, settings.lastAddress);

    const FoundDevices& table = context_.state.foundDevices;
    found_.clear();
    for (std::size_t i = 0; i < table.count(); ++i)
        found_.addItem(QString::fromStdString(foundRowText(table.entries[i])));
}

// The line and the figure are painted while the trial's exchange waits for
// its reply: the port's wait keeps the window painted.
void SearchPage::showTrial(int speed, int parity, unsigned address) {
    progress_.setText(QString::fromStdString(searchProgressText(speed, parity, address)));
}

void SearchPage::showTrialsDone(std::size_t done, std::size_t planned) {
    trials_.setMaximum(static_cast<int>(planned));
    trials_.setValue(static_cast<int>(done));
    trials_.show();
}

void SearchPage::trialEnded() {
    // A close asked for during the trial ends the search here, without its
    // box; the close sequence follows.
    context_.commands.endIfCloseWaits();
}

void SearchPage::clearProgress() {
    progress_.setText(QString());
    trials_.hide();
    trials_.reset();
}

}  // namespace m8163
