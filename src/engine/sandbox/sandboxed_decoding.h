#pragma once
// Decoding in confined worker processes. A folder browser reads whatever lands in a folder, and
// a fault in any of the codec libraries would otherwise end the program with the user's edit,
// or run a hostile file's code with all of the user's rights. Once a program has started the
// workers, the engine's file loaders (loadImage, loadImageFromSource and readImageFacts of a
// file, the budget checks and thumbnails) hand each file, as an open descriptor, to a worker
// that decodes it confined (see the ximora-decode program) and returns the picture in shared
// memory. A worker that crashes, hangs past the time allowed or passes its memory limit is
// replaced; the file it was reading fails as damaged, with the reason ("the decoder stopped:
// ..."). Without workers started, or in the worker itself, everything decodes in process.

#include <string>
#include <vector>

#include "engine/codecs/codec.h"
#include "engine/codecs/row_sink.h"
#include "engine/core/image.h"
#include "engine/io/byte_source.h"
#include "engine/sandbox/drawing_reading.h"

namespace ximora::engine {

struct DecodeWorkerSettings {
    /// The worker program (ximora-decode beside the program, decodeWorkerProgramBeside()).
    std::string program;
    /// Workers kept ready; 0: one per core. More are started while all are busy, up to twice.
    int workers = 0;
    /// false: the ready workers are started only once keepDecodeWorkersReady() is called (the
    /// window does once it is on screen, so that starting them does not delay it); until then
    /// a request starts the worker it needs.
    bool readyAtOnce = true;
    /// A request not answered in this time ends its worker.
    int timeoutSeconds = 60;
    /// Processor seconds a worker may use in all; it retires once past half of them.
    int cpuSeconds = 600;
    /// Each worker's address space, bytes; 0: the memory budget at start plus room for the
    /// libraries.
    uint64_t memoryBytes = 0;
    /// Added to the workers' environment (NAME=VALUE), for tests.
    std::vector<std::string> environment;
    /// The drawing worker (ximora-draw, drawingWorkerProgramBeside()), started when the first
    /// drawing is read, one kept ready; empty: drawings are read in the program.
    std::string drawingProgram;
    /// Pictures are decoded in the program and only drawings read in the drawing worker (a
    /// program that carries no drawing library, told to trust its pictures); `program` unused.
    bool picturesInProcess = false;
};

/// The worker program beside the running program's own file; empty when it is not there.
std::string decodeWorkerProgramBeside();
/// The drawing worker beside the running program's own file; empty when it is not there.
std::string drawingWorkerProgramBeside();

/// Starts the workers in the background and decodes in them from now on; false (nothing
/// changed) when the program (the drawing worker, with picturesInProcess) is not there. A
/// second call replaces the first.
bool startDecodeWorkers(const DecodeWorkerSettings& settings);
/// Starts the ready workers of a start that left them for later (readyAtOnce false).
void keepDecodeWorkersReady();
/// Ends the workers; decoding is in process again.
void stopDecodeWorkers();
/// Whether files are decoded in workers.
bool decodesInWorkers();
/// Whether drawings are read in the drawing worker.
bool drawsInWorkers();

/// How many workers are running now, and their process ids (for tests and reports).
std::vector<int> decodeWorkerProcesses();

// The loaders' halves, for the engine's file loaders (registry.cpp, thumbnail_loader.cpp).

/// loadImageHere in a worker.
bool workerPicture(FileSource& file, const LoadOptions& options, bool checkBudget, Image& out,
                   FileFormat* detected);
/// readImageFacts (`headersOnly` false) or readHeaderFacts in a worker.
bool workerFacts(FileSource& file, bool headersOnly, ImageFacts& out, bool& hasReader,
                 FileFormat* detected);
/// Puts `size` bytes into a sealed file in memory (memfd) that `file` then reads: how bytes
/// that are no file reach a worker. False with error 3 (and the reason) when it cannot be made.
bool bytesAsFile(const uint8_t* data, size_t size, FileSource& file);
/// loadPictureThumbnail in a worker.
bool workerThumbnail(FileSource& file, int size, Image& thumb);
/// decodeRowsHere in a worker, its rows handed to `sink` as they come.
bool workerRows(FileSource& file, RowSink& sink);
/// readDrawingHere in the drawing worker; the picture, when one is asked for, goes to
/// `picture`. On failure `message` holds the reader's words for the user, or is empty when the
/// worker stopped (the last error's detail then says how).
bool workerDrawing(FileSource& file, const DrawingAsk& ask, DrawingFacts& facts, Image& picture,
                   std::string& message);

}  // namespace ximora::engine
