#include "app/mainunit.h"

#include "app/appstate.h"
#include "app/settingswrite.h"
#include "base/apperror.h"
#include "base/readprogress.h"
#include "widgets/errorguard.h"
#include "widgets/services.h"
#include "widgets/widgetstyle.h"
#include "chartwin/ui/dataLineUnit.h"
#include "chartwin/chartdocument.h"
#include "import/automation.h"
#include "import/columnchoice.h"
#include "import/columnstore.h"
#include "import/rememberedchoice.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "settings/chartsettings.h"
#include "settings/choicesettings.h"
#include "settings/inifile.h"

#include <QAction>
#include <QCheckBox>
#include <QFileSystemWatcher>
#include <QProgressBar>
#include <QThread>
#include <QClipboard>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QHeaderView>
#include <QTableView>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <utility>

using namespace widgetstyle;

namespace {

const QString SectionDataFile = QStringLiteral("数据文件");
const QString KeyLastWorkbook = QStringLiteral("前次打开的数据文件");

// The designed size; the window may be made wider, never narrower or taller.
constexpr int DesignedWidth = 660;
constexpr int DesignedHeight = 469;

// The column band: ten columns fit the window; a wider table scrolls across.
constexpr int BandColumns = 10;
constexpr int ColumnPitch = 65; // at the designed width; a wider window widens the columns
constexpr int ListGap = 5;
constexpr int ListTop = 65;

// The height of a list box's line of text, as its style makes an item of one.
int listRowHeight(const QAbstractItemView *list)
{
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("0");
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    return list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list).height();
}
constexpr int ListHeight = 200;
constexpr int BandScrollHeight = 17;

QLabel *makeLabel(QWidget *parent, const QString &text, int x, int y, const QFont &font)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->adjustSize();
    label->move(x, y);
    return label;
}

constexpr int ButtonWidth = 89;

QPushButton *makeButton(QWidget *parent, const QString &text, QStyle::StandardPixmap glyph, int x, int y)
{
    auto *button = new QPushButton(text, parent);
    button->setFont(songti(13));
    // QIcon derives the disabled image from the normal one: the glyph's two images.
    button->setIcon(parent->style()->standardIcon(glyph));
    // A caption longer than the design's (an English one) widens the button to the left:
    // its right edge stays where the design puts it.
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const int needed = button->fontMetrics().horizontalAdvance(text) + button->iconSize().width() + 4 + 2 * margin;
    const int width = std::max(ButtonWidth, needed);
    button->setGeometry(x + ButtonWidth - width, y, width, 25);
    return button;
}

}

Tmainform::Tmainform(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(mainCaption());
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    createDesignedControls();
    FormCreate();
}

// One read of a file on its own thread, into a store of its own: the lists and the chart
// keep showing the table they have until the window takes the new one on its own thread.
struct Tmainform::ReadJob {
    ReadJob(const QString &file, bool again) : path(file), reload(again), progress(QFileInfo(file).size()) {}
    const QString path;
    const bool reload; // F5 or following: the ticks and the chart are kept
    readprogress::Progress progress;
    ColumnStore store;
    ReadResult result;
    std::exception_ptr error;
    bool cancelled = false;
};

Tmainform::~Tmainform()
{
    // A read still running must end before the window's objects go.
    if (m_job)
        m_job->progress.cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
    if (app().followAction == followAction) {
        app().followAction = nullptr;
        app().reloadAction = nullptr;
    }
}

QString Tmainform::mainCaption()
{
    return tr("Excel曲线");
}

void Tmainform::createDesignedControls()
{
    Label1 = makeLabel(this, tr("文件名："), 16, 12, songti(16));

    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(80, 8, 345, 24);
    Edit1->setFont(songti(16));
    Edit1->setReadOnly(true);
    setBackground(Edit1, Silver);
    Edit1->setContextMenuPolicy(Qt::CustomContextMenu);
    Edit1->setAcceptDrops(false); // a file dropped on the path box opens like one dropped elsewhere

    openBtn = makeButton(this, tr("打开文件"), QStyle::SP_DialogOpenButton, 432, 8);
    Edit1->resize(openBtn->x() - 7 - 80, 24);
    drawBtn = makeButton(this, tr("绘制曲线"), QStyle::SP_FileDialogDetailedView, 560, 8);
    drawBtn->setEnabled(false);
    exitBtn = makeButton(this, tr("退出"), QStyle::SP_DialogCloseButton, 560, 438);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(4, 272, 333, 193);
    Memo1->setFont(songti(19));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setAcceptDrops(false);

    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setGeometry(256, 158, 248, 49);
    setBackground(Panel1, palette().color(QPalette::Window));
    Label2 = makeLabel(Panel1, tr("正在读取数据..."), 14, 10, songti(29));
    QPalette blue = Label2->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label2->setPalette(blue);
    Panel1->hide();

    // Row positions: kept for the layout, never shown and never read back.
    GroupBox1 = new QGroupBox(tr("位置（在第几行）"), this);
    GroupBox1->setGeometry(344, 272, 161, 193);
    const QString captions[] = {tr("指标名称"), tr("单    位"),
                                tr("数据开始"), tr("数据结束")};
    QLineEdit **edits[] = {&Edit2, &Edit3, &Edit4, &Edit5};
    for (int i = 0; i < 4; ++i) {
        makeLabel(GroupBox1, captions[i], 16, 23 + 32 * i, songti(16));
        QLineEdit *edit = new QLineEdit(QString::number(i + 1), GroupBox1);
        edit->setGeometry(88, 18 + 32 * i, 57, 27);
        edit->setFont(pixelFont(QStringLiteral("Arial"), 16, true));
        *edits[i] = edit;
    }
    useBtn = new QPushButton(tr("应用"), GroupBox1);
    useBtn->setGeometry(40, 152, 75, 25);
    GroupBox1->hide();

    Timer1 = new QTimer(this);
    Timer1->setInterval(200);
    Timer1->setSingleShot(false); // Timer1Timer switches it off itself

    connect(openBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { openBtnClick(); }); });
    connect(drawBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { drawBtnClick(); }); });
    connect(exitBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { exitBtnClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { guarded(this, [this] { Timer1Timer(); }); });
    connect(Edit1, &QLineEdit::customContextMenuRequested, this,
            [this](const QPoint &pos) { guarded(this, [this, pos] { Edit1ContextMenu(pos); }); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { guarded(this, [this] { Memo1Change(); }); });
    createLiveReadControls();
}

void Tmainform::createLiveReadControls()
{
    // Where the reading indicator is, just below it; hidden while no read runs.
    readBar = new QProgressBar(this);
    readBar->setGeometry(180, 210, 300, 22);
    readBar->setRange(0, 1000);
    readBar->setFont(songti(13));
    readBar->hide();
    cancelBtn = new QPushButton(tr("取消"), this);
    cancelBtn->setGeometry(488, 209, 75, 25);
    cancelBtn->setFont(songti(13));
    cancelBtn->hide();
    connect(cancelBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { cancelBtnClick(); }); });
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { showProgress(); });

    followAction = new QAction(tr("跟踪文件"), this);
    followAction->setCheckable(true);
    followAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    reloadAction = new QAction(tr("重新读取"), this);
    reloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(followAction);
    addAction(reloadAction);
    app().followAction = followAction;
    app().reloadAction = reloadAction;
    connect(followAction, &QAction::toggled, this, [this](bool on) { guarded(this, [this, on] { followToggled(on); }); });
    connect(reloadAction, &QAction::triggered, this, [this] { guarded(this, [this] { reloadFile(); }); });

    // The watcher tells of most changes at once; the timer catches the appends it misses on
    // some file systems, once a second.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { guarded(this, [this] { followStep(); }); });
    m_followTimer = new QTimer(this);
    m_followTimer->setInterval(1000);
    connect(m_followTimer, &QTimer::timeout, this, [this] { guarded(this, [this] { followStep(); }); });
}

void Tmainform::createColumnControls()
{
    m_store = new ColumnStore(this);
    m_chartDocument = new ChartDocument(*m_store, this);
    makeColumnControls(StartColumns);
    columnScroll = new QScrollBar(Qt::Horizontal, this);
    columnScroll->setGeometry(4, ListTop + ListHeight - BandScrollHeight, width() - 8, BandScrollHeight);
    columnScroll->setSingleStep(ColumnPitch);
    columnScroll->hide();
    connect(columnScroll, &QScrollBar::valueChanged, this, [this](int offset) { scrollColumnBand(offset); });
}

void Tmainform::makeColumnControls(int columns)
{
    // A wide table's lists are made when it is read: 256 of them with the window would slow
    // every start for tables that are seldom that wide.
    columns = std::min(columns, int(ColumnCount));
    const int first = m_madeColumns + 1;
    for (int k = first; k <= columns; ++k) {
        const int left = 8 + 65 * (k - 1);
        // A list box of one column: a table view, for a list view lays out every row again
        // whenever the list grows, which a followed log of a million rows does each second.
        QTableView *list = new QTableView(this);
        list->setGeometry(left, 65, 60, 200);
        list->setFont(songtiPoints(10));
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setTabKeyNavigation(false);
        list->setShowGrid(false);
        list->setWordWrap(false);
        list->horizontalHeader()->hide();
        list->horizontalHeader()->setStretchLastSection(true);
        list->verticalHeader()->hide();
        list->verticalHeader()->setMinimumSectionSize(1);
        list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        // A list box never scrolls sideways; what is too wide for it is cut.
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setStyle(listBoxStyle());
        list->verticalHeader()->setDefaultSectionSize(listRowHeight(list));
        setBackground(list, Silver);
        list->setVisible(k <= 10);
        list->setModel(new ColumnListModel(m_store, k, list));
        colList[k] = list;
    }
    for (int k = first; k <= columns; ++k) {
        for (int axis = 0; axis < 2; ++axis) {
            QCheckBox *box = new QCheckBox(axis == 0 ? QStringLiteral("x") : QStringLiteral("y"), this);
            box->setGeometry((axis == 0 ? 8 : 38) + 65 * (k - 1), 45, 27, 17);
            box->setFont(songtiPoints(10));
            setBackground(box, Silver);
            box->setVisible(k <= 10);
            connect(box, &QCheckBox::toggled, this, [this, box] { guarded(this, [this, box] { CheckBox1Click(box); }); });
            (axis == 0 ? xBox : yBox)[k] = box;
        }
    }
    for (int k = first; k <= columns; ++k) {
        for (QWidget *control : {static_cast<QWidget *>(colList[k]), static_cast<QWidget *>(xBox[k]),
                                 static_cast<QWidget *>(yBox[k])})
            control->installEventFilter(this);
        colList[k]->viewport()->installEventFilter(this); // where a list's wheel turns arrive
    }
    m_madeColumns = std::max(m_madeColumns, columns);
    // The band's scroll bar and the reading indicator stay above lists made after them.
    if (columnScroll) {
        columnScroll->raise();
        Panel1->raise();
    }
}

void Tmainform::layOutColumnBand(int columns)
{
    const int shown = std::clamp(columns, BandColumns, int(ColumnCount));
    makeColumnControls(shown);
    const bool scrolls = shown > BandColumns;
    const int listHeight = scrolls ? ListHeight - BandScrollHeight : ListHeight;
    for (int k = 1; k <= m_madeColumns; ++k) {
        colList[k]->resize(colList[k]->width(), listHeight);
        colList[k]->setVisible(k <= shown);
    }
    // Right edge of the last column plus the margin the first one has on its left.
    m_bandColumns = shown;
    columnScroll->setValue(0);
    columnScroll->setVisible(scrolls);
    fitColumnBand();
}

void Tmainform::fitColumnBand()
{
    const int pitch = columnPitch();
    const int bandWidth = 8 + pitch * (m_bandColumns - 1) + pitch - ListGap + 8;
    columnScroll->setGeometry(4, ListTop + ListHeight - BandScrollHeight, width() - 8, BandScrollHeight);
    columnScroll->setSingleStep(pitch);
    columnScroll->setRange(0, m_bandColumns > BandColumns ? bandWidth - width() : 0);
    columnScroll->setPageStep(width());
    scrollColumnBand(columnScroll->value());
}

int Tmainform::columnPitch() const
{
    // Ten columns share what the window has beyond its designed width.
    return ColumnPitch + std::max(0, width() - DesignedWidth) / BandColumns;
}

void Tmainform::scrollColumnBand(int offset)
{
    const int pitch = columnPitch();
    for (int k = 1; k <= m_madeColumns; ++k) {
        const int left = 8 + pitch * (k - 1) - offset;
        colList[k]->setGeometry(left, ListTop, pitch - ListGap, colList[k]->height());
        xBox[k]->move(left, 45);
        yBox[k]->move(left + 30, 45);
    }
}

void Tmainform::showColumnOf(QWidget *control)
{
    if (!columnScroll->isVisible())
        return;
    for (int k = 1; k <= m_madeColumns; ++k) {
        if (control != colList[k] && control != xBox[k] && control != yBox[k])
            continue;
        // The whole column with the margin the first one has, from its box to its list's edge.
        const int pitch = columnPitch();
        const int left = pitch * (k - 1);
        const int right = 8 + pitch * k - ListGap + 8;
        if (left < columnScroll->value())
            columnScroll->setValue(left);
        else if (right > columnScroll->value() + width())
            columnScroll->setValue(right - width());
        return;
    }
}

bool Tmainform::eventFilter(QObject *watched, QEvent *event)
{
    // A column reached with the keyboard scrolls into sight; a sideways wheel scrolls the band.
    if (event->type() == QEvent::FocusIn && watched->isWidgetType())
        showColumnOf(static_cast<QWidget *>(watched));
    if (event->type() == QEvent::Wheel && columnScroll->isVisible()) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const int across = wheel->angleDelta().x() != 0 ? wheel->angleDelta().x()
                           : (wheel->modifiers() & Qt::ShiftModifier) ? wheel->angleDelta().y() : 0;
        if (across != 0) {
            columnScroll->setValue(columnScroll->value() - across / 120 * columnPitch());
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip) {
        for (int k = 1; k <= m_madeColumns; ++k)
            if (watched == colList[k]->viewport())
                return showCutItemTip(colList[k], static_cast<QHelpEvent *>(event));
    }
    return QWidget::eventFilter(watched, event);
}

bool Tmainform::showCutItemTip(QTableView *list, QHelpEvent *event)
{
    // Only an item the list had to cut ("202…") gets its whole text as a tip.
    const QModelIndex index = list->indexAt(event->pos());
    const QString text = index.data().toString();
    // An item may reach past the list's edge, which cuts it: only what lies inside shows.
    const QRect item = list->visualRect(index) & list->viewport()->rect();
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    if (!index.isValid() || list->fontMetrics().horizontalAdvance(text) <= item.width() - 2 * margin) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, list->viewport(), item);
    return true;
}

void Tmainform::FormCreate()
{
    app().exePath = app().executableFolder;
    setMinimumSize(DesignedWidth, DesignedHeight);
    setMaximumSize(QWIDGETSIZE_MAX, DesignedHeight);
    resize(DesignedWidth, DesignedHeight);
    setAcceptDrops(true);
    m_firstActivation = true;
    app().iniFile = std::make_unique<IniFile>(app().chooseSettingsFile());
    createColumnControls();
    m_nameRow = 1;
    m_unitRow = 2;
    m_firstRow = 3;
    m_lastRow = 4;
    app().scaleMode = chartsettings::readScaleMode(*app().iniFile);
    Panel1->raise();

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void Tmainform::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (columnScroll)
        layOutForWidth();
}

void Tmainform::layOutForWidth()
{
    const int extra = width() - DesignedWidth;
    // Buttons keep their right edges; a widened one takes its room from the path box.
    const auto rightAligned = [extra](QPushButton *button, int designedX, int y) {
        button->move(designedX + ButtonWidth - button->width() + extra, y);
    };
    rightAligned(openBtn, 432, 8);
    rightAligned(drawBtn, 560, 8);
    rightAligned(exitBtn, 560, 438);
    Edit1->setGeometry(80, 8, openBtn->x() - 7 - 80, 24);
    Memo1->setGeometry(4, 272, 333 + extra, 193);
    Panel1->move(256 + extra / 2, 158);
    readBar->move(180 + extra / 2, 210);
    cancelBtn->move(488 + extra / 2, 209);
    fitColumnBand();
}

void Tmainform::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void Tmainform::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    guarded(this, [this, urls] {
        if (urls.size() != 1) {
            reportMessage(tr("一次只能打开一个文件，不能打开%1个").arg(urls.size()));
            return;
        }
        if (!urls.first().isLocalFile()) {
            reportMessage(tr("只能打开本机上的文件：%1").arg(urls.first().toString()));
            return;
        }
        openWorkbook(urls.first().toLocalFile());
    });
}

void Tmainform::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded(this, [this] { FormActivate(); });
}

void Tmainform::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A desktop without a window manager never activates the window; the first showing
    // counts as the first activation there.
    if (m_firstActivation)
        QTimer::singleShot(0, this, [this] { guarded(this, [this] { FormActivate(); }); });
}

void Tmainform::FormActivate()
{
    if (!m_firstActivation)
        return;
    m_firstActivation = false;
    const QString named = std::exchange(app().startWorkbook, QString());
    if (!named.isEmpty()) {
        // Named on the command line: opened and remembered as "打开文件" does; a settings
        // file that cannot be written is only logged, so the program still starts with it.
        openWorkbook(named, RefusalShown::InLog);
        return;
    }
    const QString last = app().iniFile->readString(SectionDataFile, KeyLastWorkbook, QString());
    if (!last.isEmpty() && QFileInfo(last).isFile()) {
        startRead(last);
        return;
    }
    const QString fallback = app().sampleWorkbook();
    if (!fallback.isEmpty())
        startRead(fallback);
}

void Tmainform::openBtnClick()
{
    // Every kind the program reads first, then the workbook entry, then anything; the
    // dialog opens where the last file was.
    const QString last = app().iniFile->readString(SectionDataFile, KeyLastWorkbook, QString());
    const QString path = services().getOpenFileName(
        this,
        tr("数据文件 (*.xls *.xlsx *.xlsm *.ods *.csv *.txt *.dat *.lvm *.mpt *.tsv);;"
           "电子表格文(*.xls);;所有文件 (*)"),
        QStringLiteral("xls"), last.isEmpty() ? QString() : QFileInfo(last).absolutePath());
    if (path.isEmpty())
        return;
    openWorkbook(path);
}

void Tmainform::openWorkbook(const QString &path, RefusalShown refusalShown)
{
    // Remembered before the read, so that a workbook that fails to read is offered again.
    writeSettings(this, refusalShown, [&] {
        app().iniFile->writeString(SectionDataFile, KeyLastWorkbook, path);
        rememberRecentFile(path);
    });
    startRead(path);
}

void Tmainform::rememberRecentFile(const QString &path)
{
    IniFile &ini = *app().iniFile;
    choicesettings::writeRecentFiles(ini, choicesettings::withRecentFile(choicesettings::readRecentFiles(ini), path));
}

QStringList Tmainform::recentFiles() const
{
    return choicesettings::readRecentFiles(*app().iniFile);
}

void Tmainform::Edit1ContextMenu(const QPoint &pos)
{
    QMenu menu(this);
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        const bool exists = QFileInfo(path).isFile();
        QString text = QStringLiteral("%1  %2").arg(i + 1).arg(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        if (!exists)
            text += tr("（不存在）");
        QAction *action = menu.addAction(text);
        action->setEnabled(exists);
        connect(action, &QAction::triggered, this, [this, path] { guarded(this, [this, path] { openWorkbook(path); }); });
    }
    if (files.isEmpty())
        menu.addAction(tr("没有最近打开的文件"))->setEnabled(false);
    menu.addSeparator();
    menu.addAction(followAction);
    menu.addAction(reloadAction);
    menu.addSeparator();
    QAction *copy = menu.addAction(tr("复制文件名"));
    copy->setEnabled(!Edit1->text().isEmpty());
    connect(copy, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(Edit1->text()); });
    services().popUpMenu(&menu, Edit1->mapToGlobal(pos));
}

void Tmainform::startRead(const QString &path)
{
    // A new file while one is read: the user changed their mind, the first read stops.
    if (m_job)
        cancelRead();
    if (!Timer1->isActive())
        m_drawWasEnabled = drawBtn->isEnabled();
    Edit1->setText(path);
    m_fileName = path;
    Panel1->show();
    drawBtn->setEnabled(false);
    useBtn->setEnabled(false);
    // A request while one is pending keeps the running 200 ms: one read, of the last path.
    if (!Timer1->isActive())
        Timer1->start();
}

void Tmainform::Timer1Timer()
{
    Timer1->stop();
    // A cancelled read still winding down on its thread: this one starts when it is gone.
    if (m_thread) {
        Timer1->start();
        return;
    }
    startWorker(m_fileName, false);
}

void Tmainform::startWorker(const QString &path, bool reload)
{
    auto job = std::make_shared<ReadJob>(path, reload);
    job->progress.onReport = readReportHook;
    m_job = job;
    QThread *thread = QThread::create([job] {
        readprogress::Scope scope(&job->progress);
        try {
            job->result = ::readWorkbook(job->path, job->store, automation::Registry::global());
        } catch (const readprogress::Cancelled &) {
            job->cancelled = true;
        } catch (...) {
            job->error = std::current_exception();
        }
    });
    m_thread = thread;
    connect(thread, &QThread::finished, this, [this, job, thread] {
        if (m_thread == thread)
            m_thread = nullptr;
        thread->deleteLater();
        if (m_job == job)
            guarded(this, [this, job] { finishRead(job); });
    });
    readBar->setValue(0);
    readBar->setFormat(QString());
    readBar->show();
    cancelBtn->show();
    m_progressTimer->start();
    thread->start();
}

void Tmainform::showProgress()
{
    if (!m_job)
        return;
    const readprogress::Progress &p = m_job->progress;
    const double mb = 1024.0 * 1024.0;
    readBar->setValue(int(p.fraction() * 1000));
    if (p.phase() == readprogress::Phase::Fill) {
        readBar->setFormat(tr("放入列表：%1 / %2 行").arg(p.filledRows()).arg(p.fillTotal()));
        return;
    }
    readBar->setFormat(tr("%1 行，%2 / %3 MB")
                           .arg(p.rows())
                           .arg(double(p.bytes()) / mb, 0, 'f', 1)
                           .arg(double(p.fileBytes()) / mb, 0, 'f', 1));
}

void Tmainform::endProgress()
{
    m_progressTimer->stop();
    readBar->hide();
    cancelBtn->hide();
}

void Tmainform::cancelBtnClick()
{
    if (m_job)
        cancelRead();
}

void Tmainform::cancelRead()
{
    // The thread stops at its next report; the window does not wait for it.
    m_job->progress.cancel();
    const bool reload = m_job->reload;
    m_job.reset();
    endProgress();
    if (!reload) {
        Panel1->hide();
        Edit1->setText(m_shownFile);
        m_fileName = m_shownFile;
        drawBtn->setEnabled(m_drawWasEnabled);
        useBtn->setEnabled(m_drawWasEnabled);
    }
    appendLog(tr("读取已取消"));
}

void Tmainform::finishRead(const std::shared_ptr<ReadJob> &job)
{
    m_job.reset();
    endProgress();
    // Counted however the read ended: one request, one read.
    struct Counted {
        int &reads;
        ~Counted() { ++reads; }
    } counted{m_readCount};
    if (job->cancelled)
        return;
    if (job->error) {
        if (!job->reload)
            std::rethrow_exception(job->error);
        // A file followed or read again by hand that cannot be read now: said once in the
        // log, the table it had stays.
        try {
            std::rethrow_exception(job->error);
        } catch (const AppError &error) {
            appendLog(error.message());
        }
        return;
    }
    const ReadResult &result = job->result;
    if (!result.connected) {
        services().showMessage(this, result.message);
        Panel1->hide();
        reportTable(result.notes);
        return;
    }
    const NamedChoice before = rememberedchoice::nameChoice(
        rememberedchoice::columnNames(*m_store, m_colCount), chosenColumns(choiceState()));
    m_store->swapContents(job->store);
    // The lists now hold this file's table: the titles name it.
    m_shownFile = job->path;
    m_chartDocument->setSourceFile(job->path);
    setWindowTitle(windowTitleFor(mainCaption(), job->path));
    m_follow = followread::sourceOf(job->path, result);
    m_lastWholeRead.start();
    watchFollowedFile();
    if (job->reload) {
        reportReload(result, before);
        return;
    }
    Panel1->hide();
    reportTable(result.notes);
}

void Tmainform::reportReload(const ReadResult &result, const NamedChoice &before)
{
    const TableReport report = ::reportTable(*m_store, result.notes);
    const QStringList names = rememberedchoice::columnNames(*m_store, report.columns);
    const rememberedchoice::Restored restored = rememberedchoice::restoreChoice(names, before);
    if (!report.setCounts || before.isEmpty() || !restored.ok) {
        // Other columns than before: reported as any new table is.
        reportTable(result.notes);
        return;
    }
    showBoxesFor(report.columns, report);
    m_colCount = report.columns;
    for (int k = 1; k <= m_madeColumns; ++k) {
        xBox[k]->setChecked(k == restored.choice.xCol);
        yBox[k]->setChecked(restored.choice.yCols.contains(k));
    }
    tableGrew();
}

void Tmainform::tableGrew()
{
    const TableReport report = ::reportTable(*m_store);
    if (!report.setCounts)
        return;
    m_lastRow = report.lastRow;
    Edit5->setText(QString::number(m_lastRow));
    drawBtn->setEnabled(true);
    useBtn->setEnabled(true);
    if (!report.log.isEmpty())
        replaceSizeLine(report.log.first());
    reloadChart();
}

void Tmainform::replaceSizeLine(const QString &line)
{
    // The last size line is brought up to date; the log does not fill with one a second.
    const QString start = line.left(line.indexOf(QChar(0xFF1A)) + 1);
    for (QTextBlock block = Memo1->document()->lastBlock(); block.isValid(); block = block.previous()) {
        if (!start.isEmpty() && block.text().startsWith(start)) {
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.insertText(line);
            return;
        }
    }
    appendLog(line);
}

void Tmainform::reloadChart()
{
    // Nothing drawn yet: nothing to follow. Mode, limits and the view stay; a view that
    // ended at the old last row moves on with the new one.
    if (m_chartDocument->request().xCol <= 0 || m_chartDocument->loaded().yCount == 0)
        return;
    m_chartDocument->reloadKeepingView(m_lastRow);
}

void Tmainform::reloadFile()
{
    const QString path = m_shownFile.isEmpty() ? m_fileName : m_shownFile;
    if (path.isEmpty() || m_job || Timer1->isActive())
        return;
    startWorker(path, true);
}

void Tmainform::followToggled(bool on)
{
    if (on) {
        watchFollowedFile();
        m_followTimer->start();
        appendLog(tr("跟踪文件：%1").arg(m_shownFile));
        followStep();
    } else {
        m_followTimer->stop();
        if (!m_watcher->files().isEmpty())
            m_watcher->removePaths(m_watcher->files());
        appendLog(tr("停止跟踪文件"));
    }
}

void Tmainform::watchFollowedFile()
{
    if (!followAction->isChecked())
        return;
    // A file replaced by another of its name is no longer watched: watched again.
    if (!m_watcher->files().isEmpty() && m_watcher->files().first() != m_follow.path)
        m_watcher->removePaths(m_watcher->files());
    if (!m_follow.path.isEmpty() && !m_watcher->files().contains(m_follow.path))
        m_watcher->addPath(m_follow.path);
}

void Tmainform::followStep()
{
    if (!followAction->isChecked() || m_job || Timer1->isActive() || m_follow.path.isEmpty())
        return;
    watchFollowedFile();
    // The lists are reset by the rows put below them: each keeps its place, and one scrolled
    // to its end stays at the end, so the newest readings stay in sight.
    std::array<int, ColumnCount + 1> scrolled{};
    std::array<bool, ColumnCount + 1> atEnd{};
    for (int k = 1; k <= m_madeColumns; ++k) {
        const QScrollBar *bar = colList[k]->verticalScrollBar();
        scrolled[k] = bar->value();
        atEnd[k] = bar->value() > 0 && bar->value() == bar->maximum();
    }
    const followread::Step step = followread::readAppended(m_follow, *m_store);
    if (step.change == followread::Change::Appended) {
        for (int k = 1; k <= m_madeColumns; ++k) {
            if (!colList[k]->isVisible())
                continue;
            colList[k]->doItemsLayout(); // the scroll range of the longer list, now
            QScrollBar *bar = colList[k]->verticalScrollBar();
            bar->setValue(atEnd[k] ? bar->maximum() : scrolled[k]);
        }
    }
    switch (step.change) {
    case followread::Change::Appended:
        tableGrew();
        break;
    case followread::Change::ReadAgain:
        // Whole reads at most once a second; the timer comes back for the rest.
        if (!m_lastWholeRead.isValid() || m_lastWholeRead.elapsed() >= 1000)
            startWorker(m_follow.path, true);
        break;
    case followread::Change::None:
    case followread::Change::Gone:
        break;
    }
}

void Tmainform::reportTable(const QStringList &readNotes)
{
    const TableReport report = ::reportTable(*m_store, readNotes);
    for (const QString &line : report.log)
        appendLog(line);
    if (report.columns > 0)
        showBoxesFor(report.columns, report);
    if (!report.setCounts)
        return;
    m_colCount = report.columns;
    if (report.tickX > 0)
        xBox[report.tickX]->setChecked(true);
    for (int k : report.tickY)
        yBox[k]->setChecked(true);
    restoreRememberedChoice();
    m_lastRow = report.lastRow;
    Edit5->setText(QString::number(m_lastRow));
    drawBtn->setEnabled(true);
    useBtn->setEnabled(true);
}

void Tmainform::showBoxesFor(int columns, const TableReport &report)
{
    layOutColumnBand(columns);
    // Boxes beyond the table go; those of a wider table read after a narrow one come
    // back, or its extra columns could never be chosen.
    for (int k = 1; k <= m_madeColumns; ++k) {
        const bool visible = k <= std::max(BandColumns, columns) && !report.hidesColumn(k);
        xBox[k]->setVisible(visible);
        yBox[k]->setVisible(visible);
    }
}

ChoiceState Tmainform::choiceState() const
{
    ChoiceState state;
    state.colCount = m_colCount;
    for (int k = 1; k <= m_madeColumns; ++k) {
        state.x[k - 1] = xBox[k]->isChecked();
        state.y[k - 1] = yBox[k]->isChecked();
    }
    state.itemCounts = m_store->counts();
    return state;
}

void Tmainform::restoreRememberedChoice()
{
    const NamedChoice remembered = choicesettings::readChoice(*app().iniFile);
    if (remembered.isEmpty())
        return;
    const QStringList names = rememberedchoice::columnNames(*m_store, m_colCount);
    const rememberedchoice::Restored restored = rememberedchoice::restoreChoice(names, remembered);
    if (!restored.ok) {
        appendLog(tr("上次绘制的列“%1”不在本文件中，按默认勾选").arg(restored.missing.join(tr("”“", "between two column names"))));
        return;
    }
    // Exactly the columns of the last chart: ticks left from an earlier file would add to them.
    const ColumnChoice &choice = restored.choice;
    for (int k = 1; k <= m_madeColumns; ++k) {
        if (k != choice.xCol)
            xBox[k]->setChecked(false);
        if (!choice.yCols.contains(k))
            yBox[k]->setChecked(false);
    }
    xBox[choice.xCol]->setChecked(true);
    QStringList yNames;
    for (int k : choice.yCols) {
        yBox[k]->setChecked(true);
        yNames << names[k - 1];
    }
    appendLog(tr("按上次绘制的列勾选：X %1，Y %2").arg(names[choice.xCol - 1], yNames.join(tr("、"))));
}

void Tmainform::rememberChoice()
{
    const QStringList names = rememberedchoice::columnNames(*m_store, m_colCount);
    const NamedChoice named = rememberedchoice::nameChoice(names, chosenColumns(choiceState()));
    if (named.isEmpty())
        return;
    // Drawing goes on without it: the next file then starts from the default ticks.
    try {
        choicesettings::writeChoice(*app().iniFile, named);
    } catch (const AppError &error) {
        appendLog(tr("所选的列未能记下：%1").arg(error.message()));
    }
}

void Tmainform::checkChoice()
{
    const ChoiceCheck check = ::checkChoice(choiceState());
    m_choiceOK = check.ok;
    if (!check.message.isEmpty())
        reportMessage(check.message);
    if (check.disableDraw)
        drawBtn->setEnabled(false);
}

void Tmainform::drawBtnClick()
{
    checkChoice();
    if (!m_choiceOK)
        return;
    loadLineData();
    rememberChoice();
    for (const QString &note : m_chartDocument->notes())
        appendLog(note);
    TdataLineForm *chart = app().dataLineForm;
    chart->firstActivation = true;
    services().showModal(chart);
    activateWindow();
}

void Tmainform::loadLineData()
{
    const ColumnChoice choice = chosenColumns(choiceState());
    lineload::Request request;
    request.xCol = choice.xCol;
    request.yCols = choice.yCols;
    request.nameRow = m_nameRow;
    request.unitRow = m_unitRow;
    request.firstRow = m_firstRow;
    request.lastRow = m_lastRow;
    request.scaleMode = app().scaleMode;
    request.firstRowsOnly = chartsettings::readFirstRowsOnly(*app().iniFile);
    m_chartDocument->load(request);
}

void Tmainform::exitBtnClick()
{
    close();
}

void Tmainform::Memo1Change()
{
    if (Memo1->document()->isEmpty())
        return;
    if (Memo1->document()->blockCount() > LogLineLimit)
        Memo1->clear();
}

void Tmainform::appendLog(const QString &line)
{
    Memo1->appendPlainText(line);
}

void Tmainform::reportMessage(const QString &text)
{
    services().showMessage(this, text);
    appendLog(text);
}

void Tmainform::CheckBox1Click(QCheckBox *sender)
{
    // Before the first read that found two columns, a click only ticks or unticks.
    for (int k = 1; k <= m_colCount; ++k) {
        if (sender == xBox[k] && xBox[k]->isChecked())
            yBox[k]->setChecked(false);
        if (sender == yBox[k] && yBox[k]->isChecked())
            xBox[k]->setChecked(false);
    }
    for (int k = 1; k <= m_colCount; ++k) {
        setBackground(xBox[k], xBox[k]->isChecked() ? Aqua : Silver);
        setBackground(yBox[k], yBox[k]->isChecked() ? Aqua : Silver);
    }
}

void Tmainform::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void Tmainform::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_job)
        cancelRead();
    m_followTimer->stop();
    app().iniFile.reset();
}
