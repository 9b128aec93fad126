#include "scripting/ScriptReference.h"
#include "scripting/ScriptTerms.h"

#include <QTest>

#include <limits>

using namespace ScriptTerms;

class ScriptLayerTest : public QObject
{
    Q_OBJECT

private slots:
    void readingCoercesOnlyWhereNothingIsLost()
    {
        QCOMPARE(ScriptDescriptor::real(215000.0).int32Value(), 215000);
        QCOMPARE(ScriptDescriptor::real(2.5).int32Value(), std::nullopt);
        QCOMPARE(ScriptDescriptor::real(3e9).int32Value(), std::nullopt);
        QCOMPARE(ScriptDescriptor::real(qQNaN()).int32Value(), std::nullopt);
        QCOMPARE(ScriptDescriptor::integer(-1).doubleValue(), -1.0);
        QCOMPARE(ScriptDescriptor::text("12").int32Value(), std::nullopt);
        QCOMPARE(ScriptDescriptor::enumeration(kPlaying).stringValue(), std::nullopt);
        QCOMPARE(ScriptDescriptor::type(kPlaying).enumCodeValue(), std::nullopt);
    }

    void referencesNameChainsFromTheApplication()
    {
        using Step = ScriptReference::Step;
        const auto track = ScriptReference::property(kCurrentTrack);
        const auto raw =
            ScriptReference::property(kRawData, ScriptReference::element(kArtworkClass, 1, track));
        QCOMPARE(ScriptReference::steps(raw),
                 (std::vector<Step>{{Step::Kind::property, kCurrentTrack, 0},
                                    {Step::Kind::element, kArtworkClass, 1},
                                    {Step::Kind::property, kRawData, 0}}));
        const auto all = ScriptReference::element(kArtworkClass, 0, track);
        QCOMPARE(all.field(kSelector), ScriptDescriptor::enumeration(kAll));
        QCOMPARE(ScriptReference::steps(all)->back().index, 0);
        QCOMPARE(ScriptReference::steps(ScriptDescriptor())->size(), size_t(0));

        QCOMPARE(ScriptReference::steps(ScriptDescriptor::text("pnam")), std::nullopt);
        ScriptDescriptor negative = ScriptReference::element(kArtworkClass, 1, track);
        negative.setField(kSelector, ScriptDescriptor::integer(-3));
        QCOMPARE(ScriptReference::steps(negative), std::nullopt);
        ScriptDescriptor deep;
        for (int i = 0; i <= ScriptReference::kMaxDepth; ++i)
            deep = ScriptReference::property(kName, deep);
        QCOMPARE(ScriptReference::steps(deep), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(ScriptLayerTest)
#include "tst_script_layer.moc"
