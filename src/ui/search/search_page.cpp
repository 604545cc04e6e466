#include "ui/search/search_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "measure/measured_value.h"
#include "ui/shell/refresh_guard.h"

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

SearchPage::SearchPage(const SearchControls& controls, const PageContext& context,
                       SearchLinks links)
    : QObject(controls.page), c_(controls), context_(context), links_(std::move(links)) {
    setObjectName(QStringLiteral("SearchPage"));
    QObject::connect(c_.start, &QPushButton::clicked, this, [this] { startSearch(); });
    context_.commands.connect(c_.stop, &QPushButton::clicked, this, [this] { stopSearch(); });
    QObject::connect(c_.found, &QListWidget::itemClicked, this, [this] { takeOverFoundModule(); });
}

void SearchPage::startSearch() {
    context_.commands.runWithLine([this](LineLease& line) { search(line); });
}

void SearchPage::search(LineLease& lease) {
    takeOver();
    AppState& state = context_.state;
    switchSearch(state.searchRunning, true);
    // The search reopens the port for each trial anyway: a module taken over
    // from the list at a message pass between module numbers changes
    // nothing the next trial relies on.
    lease.allowTakeOver(true);
    const SearchLine line{lease.port(),   state.comPorts,        state.connection, lease.clock(),
                          context_.boxes, lease.line().observer, &state.portState};
    // However the search ends (a close ends it after its trial), the state
    // line shows where its reopens left the port.
    struct ShowPortState {
        const std::function<void()>& show;
        ~ShowPortState() {
            if (show)
                show();
        }
    } showPortState{links_.showPortState};
    // The search's readings are not the connection's: they go to a record
    // of their own, and the measured-value page keeps what it showed.
    const auto probe = [](const ModbusLine& trial) {
        MeasurementRecord record;
        return readMeasuredValue(trial, record);
    };
    runSearchCommand({state.search, state.foundDevices, state.searchRunning}, line, probe,
                     lease.pump(), *this);
}

void SearchPage::stopSearch() {
    switchSearch(context_.state.searchRunning, false);
}

void SearchPage::takeOverFoundModule() {
    // A take-over reopens the port: not while another command holds the
    // line, but during a search, which lets it at its message passes.
    context_.commands.runTakeOver([this](LineLease& line) {
        const std::optional<SearchHit> entry =
            foundEntryToTakeOver(context_.state.foundDevices, c_.found->currentRow());
        if (!entry)
            return;
        links_.changeConnection(line, entry->speed, entry->parity,
                                static_cast<int>(entry->address));
        links_.selectNetworkNumber(static_cast<int>(entry->address));
    });
}

void SearchPage::takeOver() {
    SearchSettings& settings = context_.state.search;
    for (std::size_t i = 0; i < c_.speeds.size(); ++i)
        settings.speeds[i] = c_.speeds[i]->isChecked() ? 1 : 0;
    settings.parityNone = c_.parities[0]->isChecked() ? 1 : 0;
    settings.parityOdd = c_.parities[1]->isChecked() ? 1 : 0;
    settings.parityEven = c_.parities[2]->isChecked() ? 1 : 0;
    settings.firstAddress = chosenAddress(*c_.firstAddress, settings.firstAddress);
    settings.lastAddress = chosenAddress(*c_.lastAddress, settings.lastAddress);
    completeSearchSettings(settings);
}

void SearchPage::clearFoundDevices() {
    switchSearch(context_.state.searchRunning, false);
    context_.state.foundDevices.clear();
    showSearch();
}

void SearchPage::lockSearch(bool locked) {
    for (QCheckBox* box : c_.speeds)
        box->setEnabled(!locked);
    for (QCheckBox* box : c_.parities)
        box->setEnabled(!locked);
    for (QWidget* control :
         std::initializer_list<QWidget*>{c_.firstAddress, c_.lastAddress, c_.start})
        control->setEnabled(!locked);
    links_.lockConnection(locked);
}

void SearchPage::showSearch() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    const SearchSettings& settings = context_.state.search;
    for (std::size_t i = 0; i < c_.speeds.size(); ++i)
        c_.speeds[i]->setChecked(settings.speeds[i] != 0);
    c_.parities[0]->setChecked(settings.parityNone != 0);
    c_.parities[1]->setChecked(settings.parityOdd != 0);
    c_.parities[2]->setChecked(settings.parityEven != 0);
    showAddress(*c_.firstAddress, settings.firstAddress);
    showAddress(*c_.lastAddress, settings.lastAddress);

    const FoundDevices& table = context_.state.foundDevices;
    c_.found->clear();
    for (std::size_t i = 0; i < table.count(); ++i)
        c_.found->addItem(QString::fromStdString(foundRowText(table.entries[i])));
}

// The line and the figure are painted while the trial's exchange waits for
// its reply: the port's wait keeps the window painted.
void SearchPage::showTrial(int speed, Parity parity, unsigned address) {
    c_.progress->setText(QString::fromStdString(searchProgressText(speed, parity, address)));
}

void SearchPage::showTrialsDone(std::size_t done, std::size_t planned) {
    c_.trials->setMaximum(static_cast<int>(planned));
    c_.trials->setValue(static_cast<int>(done));
    c_.trials->show();
}

void SearchPage::trialEnded() {
    // A close asked for during the trial ends the search here, without its
    // box; the close sequence follows.
    context_.commands.endIfCloseWaits();
}

void SearchPage::clearProgress() {
    c_.progress->setText(QString());
    c_.trials->hide();
    c_.trials->reset();
}

}  // namespace m8163
