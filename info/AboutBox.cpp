#include "info/AboutBox.h"

#include "platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>

#include <cmath>

namespace {
// Tops of Label1 to Label4 at load, in twips.
constexpr std::array<int, 4> kLabelTops = {1920, 2640, 3240, 3840};
// A label whose top has reached this height goes back to the bottom.
constexpr int kWrapAtTwips = 1000;
constexpr int kStepTwips = 15;
constexpr int kBlanksPerCharacter = 2;

qint16 &sharedColourCounter()
{
    static qint16 counter = 0;
    return counter;
}

// The picture behind the about box: a title band with the program's name, a
// light field for the scrolling lines with a faint heart-and-mind emblem, and a
// strip at the bottom for the credit line and the exit button.
QPixmap drawBackground(QSize size)
{
    const int w = size.width();
    const int h = size.height();
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient field(0, 0, 0, h);
    field.setColorAt(0.0, QColor(0xfd, 0xf8, 0xee));
    field.setColorAt(1.0, QColor(0xe3, 0xee, 0xf6));
    p.fillRect(pixmap.rect(), field);

    // Soft rings behind the emblem.
    const QPointF centre(w / 2.0, h * 0.47);
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(QColor(0x6a, 0x8c, 0xaf, 26 + 6 * i), 1.5));
        p.setBrush(Qt::NoBrush);
        const double r = 165 - i * 22;
        p.drawEllipse(centre, r, r * 0.8);
    }

    // The emblem: a heart cradled by the arc of a head, drawn faintly.
    QPainterPath heart;
    const double s = 70;
    heart.moveTo(centre.x(), centre.y() + s * 0.9);
    heart.cubicTo(centre.x() - s * 1.5, centre.y() + s * 0.1, centre.x() - s * 0.8, centre.y() - s * 0.95,
                  centre.x(), centre.y() - s * 0.35);
    heart.cubicTo(centre.x() + s * 0.8, centre.y() - s * 0.95, centre.x() + s * 1.5, centre.y() + s * 0.1,
                  centre.x(), centre.y() + s * 0.9);
    QRadialGradient rose(centre, s * 1.3);
    rose.setColorAt(0.0, QColor(0xe5, 0x73, 0x73, 60));
    rose.setColorAt(1.0, QColor(0xc6, 0x28, 0x28, 25));
    p.setPen(QPen(QColor(0xc6, 0x28, 0x28, 55), 2));
    p.setBrush(rose);
    p.drawPath(heart);
    QPainterPath head;
    head.moveTo(centre.x() - s * 1.55, centre.y() + s * 0.9);
    head.cubicTo(centre.x() - s * 2.0, centre.y() - s * 1.4, centre.x() + s * 1.6, centre.y() - s * 2.1,
                 centre.x() + s * 1.7, centre.y() - s * 0.2);
    head.lineTo(centre.x() + s * 2.05, centre.y() + s * 0.35);
    head.lineTo(centre.x() + s * 1.65, centre.y() + s * 0.45);
    head.cubicTo(centre.x() + s * 1.7, centre.y() + s * 0.9, centre.x() + s * 1.4, centre.y() + s * 1.1,
                 centre.x() + s * 1.0, centre.y() + s * 1.05);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x79, 45), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(head);

    // Title band.
    const int band = 54;
    QLinearGradient navy(0, 0, w, 0);
    navy.setColorAt(0.0, QColor(0x12, 0x2e, 0x4d));
    navy.setColorAt(1.0, QColor(0x1f, 0x4e, 0x79));
    p.fillRect(QRect(0, 0, w, band), navy);
    p.fillRect(QRect(0, band, w, 3), QColor(0xf2, 0xb1, 0x34));
    QFont title(QStringLiteral("Arial"));
    title.setBold(true);
    title.setPixelSize(26);
    p.setFont(title);
    p.setPen(QColor(0xff, 0xff, 0xff));
    p.drawText(QRect(18, 0, w / 2, band), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Mehrsan"));
    QFont subtitle(QStringLiteral("B Titr"));
    subtitle.setPixelSize(20);
    p.setFont(subtitle);
    p.setPen(QColor(0xf2, 0xb1, 0x34));
    p.drawText(QRect(w / 2, 0, w / 2 - 18, band), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("درباره ما"));

    // Bottom strip.
    const int strip = h - 66;
    QLinearGradient foot(0, strip, 0, h);
    foot.setColorAt(0.0, QColor(0xd5, 0xe3, 0xef));
    foot.setColorAt(1.0, QColor(0xb8, 0xce, 0xe0));
    p.fillRect(QRect(0, strip, w, h - strip), foot);
    p.fillRect(QRect(0, strip, w, 2), QColor(0x1f, 0x4e, 0x79, 120));
    return pixmap;
}
}  // namespace

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("about"));
    m_random = [] { return QRandomGenerator::global()->generateDouble(); };
    buildWindow();

    // Load.
    move(twipsPoint(2700, 1200));
    m_timer3->start();
    m_credit->setText(spacedSentence(creditSentence(), kBlanksPerCharacter));
    m_search = QStringLiteral(" ");
    m_replacement = QString();
    m_lines[0] = QStringLiteral("نام نرم افزار:");
    m_lines[1] = QStringLiteral("نرم افزار پرسشنامه هوش هيجاني Tavor");
    m_lines[2] = QStringLiteral("تهيه شده در گروه نرم افزاري زلق");
    m_lines[3] = QStringLiteral("تلفن پشتيباني: 021-55501234");
    m_lines[4] = QStringLiteral("پست الکترونيک: info@zelq.ir");
    m_lines[5] = QStringLiteral("وب سايت: www.zelq.ir");
    m_lines[6] = QStringLiteral("فروشگاه اينترنتي: www.zelq.ir/shop");
    for (int i = 0; i < 4; ++i)
        m_labels[i]->setText(m_lines[i]);
    m_lineCounter = 4;
}

void AboutBox::buildWindow()
{
    setFixedSize(twipsSize(kWidthTwips, kHeightTwips));
    m_background = drawBackground(size());

    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(12);
    arial.setBold(true);
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setFont(arial);
        label->setAlignment(Qt::AlignCenter);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(0x12, 0x2e, 0x4d));
        label->setPalette(palette);
        m_labels[i] = label;
        m_topTwips[i] = kLabelTops[i];
        placeLabel(i);
    }

    m_credit = new QLineEdit(this);
    m_credit->setObjectName(QStringLiteral("Text1"));
    m_credit->setReadOnly(true);
    m_credit->setAlignment(Qt::AlignCenter);
    m_credit->setFocusPolicy(Qt::NoFocus);
    m_credit->setGeometry(16, height() - 50, width() - 150, 28);
    m_credit->setAccessibleName(QStringLiteral("سازنده"));
    QFont creditFont(QStringLiteral("Arial"));
    creditFont.setPointSize(9);
    m_credit->setFont(creditFont);

    auto *exit = new QPushButton(QStringLiteral("خروج"), this);
    exit->setObjectName(QStringLiteral("Command1"));
    exit->setGeometry(width() - 118, height() - 52, 100, 32);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(700);
    connect(m_timer1, &QTimer::timeout, this, &AboutBox::colourTick);
    m_timer1->start();

    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(1);
    m_timer3->setTimerType(Qt::PreciseTimer);
    connect(m_timer3, &QTimer::timeout, this, &AboutBox::creditTick);

    m_timer10 = new QTimer(this);
    m_timer10->setObjectName(QStringLiteral("Timer10"));
    m_timer10->setInterval(55);
    connect(m_timer10, &QTimer::timeout, this, &AboutBox::scrollTick);
    m_timer10->start();
}

void AboutBox::placeLabel(int index)
{
    m_labels[index]->setGeometry(12, twips(m_topTwips[index]), width() - 24, 30);
}

QString AboutBox::aboutLine(int slot) const
{
    return slot >= 0 && slot < kSlots ? m_lines[slot] : QString();
}

QString AboutBox::creditSentence() { return QStringLiteral("ساخت گروه نرم افزاري زلق"); }

QString AboutBox::spacedSentence(const QString &plain, int blanks)
{
    const QString joined = plain.split(' ', Qt::SkipEmptyParts).join('.');
    const QString run(blanks, ' ');
    QString spaced;
    spaced.reserve(joined.size() * (blanks + 1));
    for (QChar c : joined)
        spaced += c + run;
    return spaced;
}

QColor AboutBox::qbColor(int n)
{
    static const QColor palette[16] = {
        {0, 0, 0},       {0, 0, 128},     {0, 128, 0},     {0, 128, 128},
        {128, 0, 0},     {128, 0, 128},   {128, 128, 0},   {192, 192, 192},
        {128, 128, 128}, {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
        {255, 0, 0},     {255, 0, 255},   {255, 255, 0},   {255, 255, 255},
    };
    return palette[n & 15];
}

int AboutBox::roundHalfEven(double value)
{
    // nearbyint rounds in the default mode, which sends halves to the even neighbour.
    return static_cast<int>(std::nearbyint(value));
}

qint16 AboutBox::colourCounter() { return sharedColourCounter(); }

void AboutBox::scrollTick()
{
    for (int i = 0; i < 4; ++i) {
        if (m_topTwips[i] <= kWrapAtTwips) {
            m_topTwips[i] = kHeightTwips - 1500;
            ++m_lineCounter;
            m_labels[i]->setText(aboutLine(m_lineCounter - 1));
            break;
        }
    }
    if (m_lineCounter == 9)
        m_lineCounter = 0;
    for (int i = 0; i < 4; ++i) {
        m_topTwips[i] -= kStepTwips;
        placeLabel(i);
    }
}

void AboutBox::colourTick()
{
    qint16 &counter = sharedColourCounter();
    if (counter > 15)
        counter = 0;
    auto paint = [](QLabel *label, const QColor &colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    };
    paint(m_labels[0], qbColor(counter));
    counter += 2;

    const double r1 = m_random();
    const double r2 = m_random();
    const double r3 = m_random();
    paint(m_labels[2], QColor(roundHalfEven(r1 * 255), roundHalfEven(r2 * 255), roundHalfEven(r3 * 255)));
}

void AboutBox::creditTick()
{
    if (m_search.isEmpty() || m_search == m_replacement)
        return;
    QString text = m_credit->text();
    const qsizetype at = text.indexOf(m_search, 0, Qt::CaseSensitive);
    if (at >= 0) {
        text.replace(at, m_search.size(), m_replacement);
        m_credit->setText(text);
        m_credit->setCursorPosition(0);
    } else {
        // The blanks are gone: now the dots between the words become blanks.
        // Once the dots are gone too, nothing can change any more, so the
        // timer may rest.
        if (m_search == QLatin1String("."))
            m_timer3->stop();
        m_search = QStringLiteral(".");
        m_replacement = QStringLiteral(" ");
    }
}

void AboutBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
