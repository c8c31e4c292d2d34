#pragma once
// One small drawing of every kind the program reads, each wider than high, with ink on white.

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

#include "support/vector_files.h"
#include "sxf_files.h"

namespace ximora::test {

inline std::vector<std::pair<QString, QByteArray>> everyKindOfDrawing() {
    return {
        {QStringLiteral("a.wmf"), redSquareWmf()},
        {QStringLiteral("b.EMF"), redSquareEmf()},
        {QStringLiteral("c.dxf"), lineAndCircleDxf()},
        {QStringLiteral("d.svg"),
         QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'>"
                    "<rect width='100' height='100' fill='red'/>"
                    "<text x='110' y='60' font-size='30'>Ab</text></svg>")},
        {QStringLiteral("e.sfc"),
         QByteArray::fromStdString(
             sfcFile({"line_feature('1','2','1','5','0.0','0.0','297.0','210.0')", sfcSheet()}))},
        {QStringLiteral("f.p21"),
         QByteArray::fromStdString(p21File(
             {"#1=CARTESIAN_POINT(' ',(0.0,0.0));", "#2=CARTESIAN_POINT(' ',(200.0,100.0));",
              "#3=POLYLINE(' ',(#1,#2));", "#4=(ANNOTATION_CURVE_OCCURRENCE() STYLED_ITEM((),#3));",
              "#5=DRAWING_SHEET_REVISION('s',(#4),$,'01');"}))},
    };
}

}  // namespace ximora::test
