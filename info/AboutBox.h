#pragma once
#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The about box: the program's name and contact lines scroll upwards in four
// labels in an endless loop, two of the labels change colour, and a spaced-out
// credit sentence closes up one step a tick. Not skinned; changes no data.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    // The about lines: slots 0 to 6 are filled at load, 7 and 8 scroll by as
    // blank lines, 9 and 10 are never shown.
    static constexpr int kSlots = 11;
    QString aboutLine(int slot) const;
    // The credit sentence as it stands when the animation is over.
    static QString creditSentence();
    // The sentence as it is put into Text1 at load: words joined by "." and
    // every character followed by `blanks` blanks.
    static QString spacedSentence(const QString &plain, int blanks);

    // Entry n (0 to 15) of the classic 16-colour palette.
    static QColor qbColor(int n);
    // Rounds to a whole number, halves going to the even neighbour.
    static int roundHalfEven(double value);

    // The timers' handlers. Each is one short step.
    void scrollTick();   // Timer10
    void colourTick();   // Timer1
    void creditTick();   // Timer3

    qint16 lineCounter() const { return m_lineCounter; }
    // The colour counter lives as long as the program, not the window.
    static qint16 colourCounter();
    // Label 1 to 4: its top in twips, as the scroll keeps it.
    int labelTopTwips(int label) const { return m_topTwips[label - 1]; }
    // The height the scroll wraps the labels at (minus 1500 twips), in twips.
    static constexpr int kHeightTwips = 7185;
    static constexpr int kWidthTwips = 8430;

    // Where Label3's random colour comes from; numbers in [0, 1).
    void setRandomSource(std::function<double()> source) { m_random = std::move(source); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void buildWindow();
    void placeLabel(int index);

    std::array<QString, kSlots> m_lines;
    std::array<QLabel *, 4> m_labels{};
    std::array<int, 4> m_topTwips{};
    qint16 m_lineCounter = 0;
    QLineEdit *m_credit = nullptr;  // Text1
    QString m_search;
    QString m_replacement;
    QTimer *m_timer1 = nullptr;
    QTimer *m_timer3 = nullptr;
    QTimer *m_timer10 = nullptr;
    QPixmap m_background;
    std::function<double()> m_random;
};
