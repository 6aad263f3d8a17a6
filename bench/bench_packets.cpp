// Packets per second through reassembly, receive logging and dispatch on the display
// machine, the path every caption line and part value takes.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "model/debug_log.h"
#include "platform/errors.h"
#include "protocol/packet_splitter.h"

namespace {

class NoErrors : public zul::ErrorSink {
public:
    void reportError(const QString&) override {}
};

QByteArray captionStream(int packets) {
    QByteArray line =
        QByteArray("\x24") +
        QByteArray::fromHex("8b438fdb92a1816995b6977089ef8a4c816a82cd8d918dda82cc92e88e9e82c5") +
        "\n";
    QByteArray out;
    for (int i = 0; i < packets; ++i) {
        out += line;
    }
    return out;
}

void SplitLogAndDispatch(benchmark::State& state) {
    zul::DebugLog log;
    zul::Interpreter interpreter(log);
    std::int64_t handled = 0;
    interpreter.setHandler(zul::Cmd::CmdLineUpdate,
                           [&](zul::PacketContext& c) { handled += c.work.size(); });
    NoErrors errors;
    zul::DisplayReader reader(interpreter, log, errors);
    zul::PacketSplitter buffer;
    const QByteArray stream = captionStream(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        reader.received(buffer, stream, nullptr);
    }
    benchmark::DoNotOptimize(handled);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(SplitLogAndDispatch)->Arg(1)->Arg(64)->Arg(1024);

void SplitOnly(benchmark::State& state) {
    zul::PacketSplitter buffer;
    const QByteArray stream = captionStream(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        buffer.append(stream);
        while (auto p = buffer.takePacket()) {
            benchmark::DoNotOptimize(p->size());
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(SplitOnly)->Arg(1)->Arg(1024);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
