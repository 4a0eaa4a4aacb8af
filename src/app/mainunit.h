#pragma once

#include "app/settingswrite.h"
#include "import/followread.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class ChartDocument;
class ColumnStore;
namespace readprogress {
class Progress;
}
class QAction;
class QCheckBox;
class QFileSystemWatcher;
class QProgressBar;
class QThread;
struct NamedChoice;
struct ReadResult;
struct TableReport;
struct ChoiceState;
class QFrame;
class QGroupBox;
class QHelpEvent;
class QLabel;
class QLineEdit;
class QTableView;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTimer;

// The main window: the workbook's path, the column lists with their x/y choice boxes (32,
// more when a wider table is read),
// the message log, and the buttons that open a workbook and draw the chosen columns.
class Tmainform : public QWidget
{
    Q_OBJECT
public:
    explicit Tmainform(QWidget *parent = nullptr);
    ~Tmainform() override;

    static constexpr int ColumnCount = 256; // the column store's lists
    static constexpr int StartColumns = 32; // lists made with the window
    static constexpr int LogLineLimit = 128;

    // designed controls:
    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *openBtn;
    QPushButton *drawBtn;
    QPushButton *exitBtn;
    QPlainTextEdit *Memo1;
    QFrame *Panel1;
    QLabel *Label2;
    QGroupBox *GroupBox1;
    QLineEdit *Edit2, *Edit3, *Edit4, *Edit5;
    QPushButton *useBtn;
    QTimer *Timer1;
    // While a read runs: how far it is (rows and bytes of the file) and the button that
    // stops it; hidden otherwise.
    QProgressBar *readBar;
    QPushButton *cancelBtn;
    // "跟踪文件" (checkable) and F5, also offered by the chart window.
    QAction *followAction;
    QAction *reloadAction;

    // run-time controls, 1-based like the columns they show ([0] unused); those past
    // madeColumns() are null until a table that wide is read:
    std::array<QTableView *, ColumnCount + 1> colList{};
    std::array<QCheckBox *, ColumnCount + 1> xBox{};
    std::array<QCheckBox *, ColumnCount + 1> yBox{};
    // Scrolls the band of column lists across when the table has more than ten columns.
    QScrollBar *columnScroll = nullptr;

    // handlers:
    void FormCreate();
    void FormActivate();
    void openBtnClick();
    void Timer1Timer();
    void drawBtnClick();
    void exitBtnClick();
    void Memo1Change();
    void FormClose();
    void CheckBox1Click(QCheckBox *sender);
    // Stops the read that runs: the lists, the chart and the path box stay as they were.
    void cancelBtnClick();
    // Reads the open file again, whole, keeping the ticks where the columns' names allow.
    void reloadFile();
    // One look at the followed file: appended rows are read, a replaced one read anew.
    void followStep();
    bool reading() const { return m_job != nullptr; }
    // Runs on the reading thread at every report of a read (tests stop a read at a chosen
    // point with it).
    std::function<void(const readprogress::Progress &)> readReportHook;
    // A read's thread is still there (a cancelled one winds down on its own).
    bool readThreadRunning() const { return m_thread != nullptr; }

    // Loads the chosen columns into the chart document, which fills both charts of the
    // chart window.
    void loadLineData();

    // The column store behind the lists.
    const ColumnStore &store() const { return *m_store; }
    // What the chart window shows of that store.
    ChartDocument &chartDocument() const { return *m_chartDocument; }
    // The ticked boxes as plain data, with colCount and the list lengths.
    ChoiceState choiceState() const;

    // Opens `path` as "打开文件" does: remembers it as the last and a recent file, then reads
    // it; a settings file that refuses the write is reported as `refusalShown` says and
    // stops nothing.
    void openWorkbook(const QString &path, RefusalShown refusalShown = RefusalShown::InLogAndBox);
    // The files opened last, most recent first, as the settings file keeps them.
    QStringList recentFiles() const;
    // The path box's context menu: the recent files, then copying the path.
    void Edit1ContextMenu(const QPoint &pos);

    // Appends one line to the log.
    void appendLog(const QString &line);
    // Shows a plain message box and logs the same text.
    void reportMessage(const QString &text);

    // state read by the other windows and by tests:
    bool firstActivation() const { return m_firstActivation; }
    QString fileName() const { return m_fileName; }
    int colCount() const { return m_colCount; }
    int lastRow() const { return m_lastRow; }
    bool choiceOK() const { return m_choiceOK; }
    int readCount() const { return m_readCount; }
    int madeColumns() const { return m_madeColumns; }

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The title before a file is open, and the start of it after.
    static QString mainCaption();
    struct ReadJob;
    void createDesignedControls();
    void createLiveReadControls();
    void startWorker(const QString &path, bool reload);
    void finishRead(const std::shared_ptr<ReadJob> &job);
    void showProgress();
    void endProgress();
    void cancelRead();
    void followToggled(bool on);
    void watchFollowedFile();
    void reportReload(const ReadResult &result, const NamedChoice &before);
    void showBoxesFor(int columns, const TableReport &report);
    void tableGrew();
    void replaceSizeLine(const QString &line);
    // The chart follows the table: one place, so that a load keeping the view can take its turn.
    void reloadChart();
    void createColumnControls();
    // Makes the lists and boxes of columns up to `columns` that do not exist yet.
    void makeColumnControls(int columns);
    void startRead(const QString &path);
    void reportTable(const QStringList &readNotes);
    void checkChoice();
    void restoreRememberedChoice();
    void rememberChoice();
    void rememberRecentFile(const QString &path);
    // Places the controls for the window's width: at 660 pixels as designed, wider with the
    // path box, the lists and the log widened and the right-hand buttons kept at the edge.
    void layOutForWidth();
    int columnPitch() const;
    void fitColumnBand();
    bool showCutItemTip(QTableView *list, QHelpEvent *event);
    void layOutColumnBand(int columns);
    void scrollColumnBand(int offset);
    void showColumnOf(QWidget *control);
    bool eventFilter(QObject *watched, QEvent *event) override;

    ColumnStore *m_store = nullptr;
    bool m_firstActivation = false;
    int m_nameRow = 0, m_unitRow = 0, m_firstRow = 0, m_lastRow = 0;
    bool m_choiceOK = false;
    int m_colCount = 0;
    QString m_fileName;
    ChartDocument *m_chartDocument = nullptr;
    int m_readCount = 0; // reads run so far; lets tests see that one request made one read
    bool m_closed = false;
    int m_madeColumns = 0;
    int m_bandColumns = 10; // columns the band holds: ten, or the table's when it scrolls

    std::shared_ptr<ReadJob> m_job; // the read that runs, or none
    QThread *m_thread = nullptr;    // its thread, also while a cancelled read winds down
    QTimer *m_progressTimer = nullptr;
    QString m_shownFile;            // the file whose table the lists show
    bool m_drawWasEnabled = false;  // drawBtn before the running read began
    followread::Source m_follow;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_followTimer = nullptr;
    QElapsedTimer m_lastWholeRead;
};
