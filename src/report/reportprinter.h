#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>
#include <memory>

class QPagedPaintDevice;

namespace dialtally {

// Pages to print on, addressed in twips (1/1440 inch) from the top left corner of the printable
// area of each page. A QPainter on a printer or a PDF writer is one; tests record what is drawn.
class PageSurface {
public:
    virtual ~PageSurface() = default;

    // The printable area of a page, in twips.
    virtual double PageWidth() const = 0;
    virtual double PageHeight() const = 0;
    virtual void SetFont(const QFont& font) = 0;
    virtual QFont Font() const = 0;
    virtual double TextWidth(const QString& text) const = 0;
    // The height of one line of the current font, the step of a line end.
    virtual double LineHeight() const = 0;
    // Text with its top at y.
    virtual void DrawText(double x, double y, const QString& text) = 0;
    // widthTwips: the pen's width.
    virtual void DrawLine(double x1, double y1, double x2, double y2, double widthTwips,
                          const QColor& color) = 0;
    virtual void NewPage() = 0;
    // Ends the document; false when it could not be finished (the device failed).
    virtual bool End() = 0;
};

// A QPainter on a printer or a PDF writer. The device is not owned; Begin() fails when the
// painter cannot start on it (a file that cannot be written, a printer that is gone).
class PainterPageSurface : public PageSurface {
public:
    explicit PainterPageSurface(QPagedPaintDevice* device);
    bool Begin();

    double PageWidth() const override;
    double PageHeight() const override;
    void SetFont(const QFont& font) override;
    QFont Font() const override;
    double TextWidth(const QString& text) const override;
    double LineHeight() const override;
    void DrawText(double x, double y, const QString& text) override;
    void DrawLine(double x1, double y1, double x2, double y2, double widthTwips,
                  const QColor& color) override;
    void NewPage() override;
    bool End() override;

private:
    double ToDeviceX(double twips) const { return twips * m_dpiX / 1440.0; }
    double ToDeviceY(double twips) const { return twips * m_dpiY / 1440.0; }

    QPagedPaintDevice* m_device;
    QPainter m_painter;
    double m_dpiX = 1200.0;
    double m_dpiY = 1200.0;
};

// The printer as the printed report uses it: a current position that text output moves, a font,
// a line width, page numbers. Lengths are twips; CurrentX and CurrentY are free to set.
class ReportPrinter {
public:
    // A line width of 1 is this many twips wide (one pixel of a 96 dpi screen).
    static constexpr double kTwipsPerLineWidth = 15.0;

    explicit ReportPrinter(PageSurface& surface);

    double ScaleWidth() const { return m_surface.PageWidth(); }
    double ScaleHeight() const { return m_surface.PageHeight(); }
    int Page() const { return m_page; }

    double CurrentX = 0.0;
    double CurrentY = 0.0;

    void SetFontName(const QString& name);
    void SetFontSize(double points);
    void SetFontBold(bool bold);
    void SetDrawWidth(int width) { m_drawWidth = width < 1 ? 1 : width; }
    int DrawWidth() const { return m_drawWidth; }

    double TextWidth(const QString& text) const { return m_surface.TextWidth(text); }
    double TextHeight() const { return m_surface.LineHeight(); }

    // Prints text at the current position and stays on the line after it.
    void PrintOn(const QString& text);
    // Prints text at the current position and ends the line: the position moves to the start of
    // the next line.
    void Print(const QString& text = QString());
    void Line(double x1, double y1, double x2, double y2, const QColor& color = Qt::black);
    // The position moves to the top of the next page.
    void NewPage();
    bool EndDoc() { return m_surface.End(); }

private:
    PageSurface& m_surface;
    int m_page = 1;
    int m_drawWidth = 1;
};

} // namespace dialtally
