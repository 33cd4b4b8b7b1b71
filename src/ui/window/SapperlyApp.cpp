// Start-up wiring.
#include "ui/window/SapperlyApp.h"

#include "engine/GameEngine.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/window/SyncFolderSetting.h"
#include "ui/window/WindowTheme.h"
// Complete for the engine's default-constructed dependencies.
#include "model/RandomSource.h"
#include "store/CloudStore.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/BoardView.h"

#include <QApplication>
#include <QEvent>
#include <QTextStream>

namespace {

// With SAPPERLY_DEBUG_GEOMETRY set, the program prints where the board's squares are on the
// screen each time that changes, as "board LEFT TOP SQUARE COLUMNS ROWS" (global logical
// pixels, LEFT/TOP the board surface's corner), so that scripts driving the real window with
// synthetic clicks can aim. It writes nothing else and changes no behaviour.
class GeometryReport : public QObject {
public:
    GeometryReport(BoardView& board, GameEngine& engine)
        : QObject(&board)
        , m_board(board)
        , m_engine(engine)
    {
        board.installEventFilter(this);
        board.surface().installEventFilter(this);
        connect(&engine, &GameEngine::boardChanged, this, &GeometryReport::report);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type == QEvent::Resize || type == QEvent::Move || type == QEvent::Show)
            report();
        return QObject::eventFilter(watched, event);
    }

private:
    void report()
    {
        const QWidget& surface = m_board.surface();
        if (!surface.isVisible())
            return;
        const Difficulty difficulty = m_engine.board().difficulty;
        const QPoint origin = surface.mapToGlobal(QPoint(0, 0));
        const QString line = QStringLiteral("board %1 %2 %3 %4 %5")
                                 .arg(origin.x())
                                 .arg(origin.y())
                                 .arg(m_board.squareSize())
                                 .arg(columns(difficulty))
                                 .arg(rows(difficulty));
        if (line == m_last)
            return;
        m_last = line;
        QTextStream(stdout) << line << Qt::endl;
    }

    BoardView& m_board;
    GameEngine& m_engine;
    QString m_last;
};

} // namespace

SapperlyApp::SapperlyApp(QApplication& application)
    : QObject(&application)
    // The sync folder chosen in the game applies unless the command line or environment names
    // one.
    , m_engine(std::make_unique<GameEngine>(SyncFolderSetting().sides(application.arguments())))
{
    QApplication::setApplicationVersion(QStringLiteral(SAPPERLY_VERSION));
    applyWindowTheme();
    m_window = std::make_unique<MainWindow>(*m_engine);
    // Sync tools may have delivered files while the program sat in the background.
    connect(&application, &QGuiApplication::applicationStateChanged, this,
        [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                m_engine->store().rescan();
        });
    if (qEnvironmentVariableIsSet("SAPPERLY_DEBUG_GEOMETRY"))
        new GeometryReport(m_window->contentView().boardView(), *m_engine);
}

SapperlyApp::~SapperlyApp() = default;

void SapperlyApp::show()
{
    m_window->restoreWindowGeometry();
    m_window->show();
}
