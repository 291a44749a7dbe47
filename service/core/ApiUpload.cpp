// Uploads in resumable packets and the product record that publishes an uploaded file.
//
// A packet is acknowledged only after its bytes are written into the upload's part file and
// its row (index, CRC) is committed; a restart therefore keeps every acknowledged packet. The
// finish step checks every packet against its CRC before the file becomes a work file, so a
// packet lost in between (a machine crash without --fsync) is asked for again, never served
// corrupted.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <limits>
#include <mutex>

#include "ServiceImpl.h"
#include "netwire/Crc32.h"

namespace vk::service {

namespace st = wire::status;
using nlohmann::json;

namespace {

struct UploadRow {
  std::int64_t id = 0;
  std::string ext;
  std::int64_t size = 0;
  std::int64_t packetSize = 0;
  int packetTotal = 0;
  bool finished = false;
  bool spent = false;  // its work was published and deleted
  std::string file;
};

UploadRow loadUpload(Connection& connection, std::string_view idText, const Caller& caller) {
  if (!isDigits(idText, 18)) refuse(400, st::kBadName, "an upload id is a decimal number");
  Statement read(connection,
                 "SELECT upload_id, user_id, ext, size, packet_size, packet_total, finished, file FROM uploads"
                 " WHERE upload_id = ?");
  read.bind(1, idText);
  if (!read.step()) refuse(404, st::kUnknownId, "no such upload");
  if (read.int64(1) != caller.userId) refuse(403, st::kForbidden, "the upload belongs to another user");
  UploadRow row;
  row.id = read.int64(0);
  row.ext = read.text(2);
  row.size = read.int64(3);
  row.packetSize = read.int64(4);
  row.packetTotal = read.integer(5);
  row.finished = read.integer(6) != 0;
  row.spent = read.integer(6) == 2;
  row.file = read.text(7);
  return row;
}

std::size_t packetLength(const UploadRow& upload, int index) {
  std::int64_t offset = static_cast<std::int64_t>(index) * upload.packetSize;
  return static_cast<std::size_t>(std::min(upload.packetSize, upload.size - offset));
}

int receivedCount(Connection& connection, std::int64_t uploadId) {
  Statement count(connection, "SELECT COUNT(*) FROM upload_packets WHERE upload_id = ?");
  count.bind(1, uploadId).step();
  return count.integer(0);
}

// Packets of one upload and its finish step take turns; different uploads run side by side.
std::mutex& uploadMutex(std::int64_t uploadId) {
  static std::array<std::mutex, 64> stripes;
  return stripes[static_cast<std::size_t>(uploadId) % stripes.size()];
}

std::string workFile(std::int64_t uploadId, const std::string& ext) {
  return "works/u" + std::to_string(uploadId) + ext;
}

}  // namespace

int Service::Impl::sweepAbandonedUploads() {
  lastUploadSweep = now();
  const std::int64_t cutoff = now() - config.uploadMaxAgeSeconds;
  std::vector<std::int64_t> abandoned;
  auto connection = db->acquire();
  {
    Statement candidates(*connection, "SELECT upload_id, created FROM uploads WHERE finished = 0 AND created < ?");
    candidates.bind(1, cutoff);
    while (candidates.step()) {
      const std::int64_t id = candidates.int64(0);
      // The part changes with every packet: its time is the upload's last sign of life.
      std::int64_t last = std::max(candidates.int64(1), files->partWritten(id).value_or(0));
      if (last < cutoff) abandoned.push_back(id);
    }
  }
  for (std::int64_t id : abandoned) {
    std::lock_guard<std::mutex> guard(uploadMutex(id));
    Statement remove(*connection, "DELETE FROM uploads WHERE upload_id = ? AND finished = 0");
    remove.bind(1, id).run();
    files->removePart(id);
  }
  return static_cast<int>(abandoned.size());
}

Response Service::Impl::uploadCreate(const Request& request, const Caller& caller) {
  if (now() - lastUploadSweep >= 3600) sweepAbandonedUploads();
  auto wanted = parseBody<wire::UploadRequest>(request);
  if (!isExtension(wanted.ext)) refuse(400, st::kBadName, "the extension must be a dot and 1 to 8 letters or digits");
  if (wanted.size <= 0 || wanted.size > wire::kMaxUploadSize)
    refuse(400, st::kBadArgument, "the size must lie in 1.." + std::to_string(wire::kMaxUploadSize));
  std::int64_t packetSize = wanted.packetSize == 0 ? static_cast<std::int64_t>(wire::kDefaultPacketSize) : wanted.packetSize;
  if (packetSize < static_cast<std::int64_t>(wire::kMinPacketSize) ||
      packetSize > static_cast<std::int64_t>(wire::kMaxPacketSize))
    refuse(400, st::kBadArgument, "the packet size must lie in " + std::to_string(wire::kMinPacketSize) + ".." +
                                      std::to_string(wire::kMaxPacketSize));
  std::int64_t total = (wanted.size + packetSize - 1) / packetSize;
  auto connection = db->acquire();
  Statement insert(*connection,
                   "INSERT INTO uploads(user_id, ext, size, packet_size, packet_total, created) VALUES(?, ?, ?, ?, ?, ?)");
  insert.bind(1, caller.userId).bind(2, wanted.ext).bind(3, wanted.size).bind(4, packetSize).bind(5, total).bind(6, now());
  insert.run();
  wire::UploadTicket ticket;
  ticket.uploadId = static_cast<int>(connection->lastInsertId());
  ticket.packetTotal = static_cast<int>(total);
  ticket.packetSize = packetSize;
  ticket.size = wanted.size;
  return okResponse(json(ticket));
}

Response Service::Impl::uploadState(std::string_view uploadId, const Caller& caller) {
  auto connection = db->acquire();
  auto upload = loadUpload(*connection, uploadId, caller);
  wire::UploadState state;
  state.uploadId = static_cast<int>(upload.id);
  state.packetTotal = upload.packetTotal;
  state.packetSize = upload.packetSize;
  state.size = upload.size;
  if (upload.spent) refuse(404, st::kUnknownId, "the work of this upload was deleted");
  state.finished = upload.finished;
  if (upload.finished) state.address = url("/media/" + upload.file);
  Statement rows(*connection, "SELECT idx FROM upload_packets WHERE upload_id = ? ORDER BY idx");
  rows.bind(1, upload.id);
  while (rows.step()) state.received.push_back(rows.integer(0));
  return okResponse(json(state));
}

Response Service::Impl::uploadPacket(const Request& request, std::string_view uploadId, std::string_view indexText,
                                     const Caller& caller) {
  if (!isDigits(indexText, 9)) refuse(400, st::kBadPacketIndex, "the packet index is a decimal number");
  int index = std::stoi(std::string(indexText));
  std::uint64_t crc = 0;
  auto [end, error] = std::from_chars(request.crc.data(), request.crc.data() + request.crc.size(), crc);
  if (request.crc.empty() || error != std::errc() || end != request.crc.data() + request.crc.size() ||
      crc > std::numeric_limits<std::uint32_t>::max())
    refuse(400, st::kBadArgument, "the packet needs its CRC-32 as decimal text in " + std::string(wire::kCrcHeader));

  auto connection = db->acquire();
  std::int64_t id = loadUpload(*connection, uploadId, caller).id;
  std::lock_guard serial(uploadMutex(id));
  auto upload = loadUpload(*connection, uploadId, caller);
  if (upload.finished) refuse(409, st::kUploadFinished, "the upload is already finished");
  if (index >= upload.packetTotal)
    refuse(400, st::kBadPacketIndex, "the upload has " + std::to_string(upload.packetTotal) + " packets");
  if (request.body.size() != packetLength(upload, index))
    refuse(400, st::kBadArgument, "packet " + std::to_string(index) + " must hold " +
                                      std::to_string(packetLength(upload, index)) + " bytes");
  if (wire::crc32(0, request.body.data(), request.body.size()) != crc)
    refuse(422, st::kChecksumMismatch, "the packet's bytes do not match its CRC-32");

  files->writePart(upload.id, static_cast<std::uint64_t>(index) * static_cast<std::uint64_t>(upload.packetSize),
                   request.body, config.fullSync);
  Statement insert(*connection, "INSERT INTO upload_packets(upload_id, idx, crc) VALUES(?, ?, ?)"
                                 " ON CONFLICT(upload_id, idx) DO UPDATE SET crc = excluded.crc");
  insert.bind(1, upload.id).bind(2, index).bind(3, static_cast<std::int64_t>(crc)).run();
  wire::PacketAck ack{static_cast<int>(upload.id), index, receivedCount(*connection, upload.id)};
  return okResponse(json(ack));
}

Response Service::Impl::uploadFinish(std::string_view uploadId, const Caller& caller) {
  auto connection = db->acquire();
  std::int64_t id = loadUpload(*connection, uploadId, caller).id;
  std::lock_guard serial(uploadMutex(id));
  auto upload = loadUpload(*connection, uploadId, caller);
  const std::string relative = workFile(upload.id, upload.ext);
  if (upload.spent) refuse(404, st::kUnknownId, "the work of this upload was deleted");
  if (upload.finished)
    return okResponse(json(wire::UploadFinished{static_cast<int>(upload.id), url("/media/" + upload.file)}));

  auto missingList = [&] {
    std::vector<int> missing;
    std::vector<bool> have(static_cast<std::size_t>(upload.packetTotal), false);
    Statement rows(*connection, "SELECT idx FROM upload_packets WHERE upload_id = ?");
    rows.bind(1, upload.id);
    while (rows.step()) {
      int i = rows.integer(0);
      if (i >= 0 && i < upload.packetTotal) have[static_cast<std::size_t>(i)] = true;
    }
    for (int i = 0; i < upload.packetTotal && missing.size() < 1000; ++i)
      if (!have[static_cast<std::size_t>(i)]) missing.push_back(i);
    return missing;
  };
  auto incomplete = [&](const std::vector<int>& missing) {
    return jsonResponse(409, {{"status", st::kUploadIncomplete},
                              {"error", "the service lacks " + std::to_string(missing.size()) + " packets"},
                              {"missing", missing}});
  };
  if (receivedCount(*connection, upload.id) < upload.packetTotal) return incomplete(missingList());

  {
    // A crash between publishing and the commit below leaves the work file: it is checked then.
    auto bytes = files->openUpload(upload.id, relative);
    if (!bytes) {
      Statement forget(*connection, "DELETE FROM upload_packets WHERE upload_id = ?");
      forget.bind(1, upload.id).run();
      return incomplete(missingList());
    }
    std::vector<int> bad;
    std::string buffer;
    Statement rows(*connection, "SELECT idx, crc FROM upload_packets WHERE upload_id = ? ORDER BY idx");
    rows.bind(1, upload.id);
    while (rows.step()) {
      int index = rows.integer(0);
      bool read = bytes->read(static_cast<std::uint64_t>(index) * static_cast<std::uint64_t>(upload.packetSize),
                              packetLength(upload, index), buffer);
      if (!read || wire::crc32(0, buffer.data(), buffer.size()) != static_cast<std::uint32_t>(rows.int64(1)))
        bad.push_back(index);
    }
    if (!bad.empty()) {
      Transaction transaction(*connection);
      Statement forget(*connection, "DELETE FROM upload_packets WHERE upload_id = ? AND idx = ?");
      for (int index : bad) {
        forget.bind(1, upload.id).bind(2, index).run();
        forget.reset();
      }
      transaction.commit();
      return incomplete(missingList());
    }
    bytes->publish(relative);
  }
  Statement finish(*connection, "UPDATE uploads SET finished = 1, file = ? WHERE upload_id = ?");
  finish.bind(1, relative).bind(2, upload.id).run();
  return okResponse(json(wire::UploadFinished{static_cast<int>(upload.id), url("/media/" + relative)}));
}

Response Service::Impl::productRecord(const Request& request, const Caller& caller) {
  auto product = parseBody<wire::ProductSubmission>(request);
  for (auto* text : {&product.songName, &product.singerName, &product.singerId, &product.timeLength})
    if (text->size() > 400) refuse(400, st::kBadArgument, "a text of the product record is too long");
  if (!product.songId.empty() && !isDigits(product.songId, 20)) refuse(400, st::kBadName, "a song id is a decimal number");
  for (int score : {product.total, product.pitch, product.expression, product.rhythm, product.engineTotal})
    if (score < 0 || score > 1000000) refuse(400, st::kBadArgument, "scores lie in 0..1000000");

  auto connection = db->acquire();
  std::string idText = std::to_string(product.uploadId);
  std::int64_t id = loadUpload(*connection, idText, caller).id;
  std::lock_guard serial(uploadMutex(id));
  auto upload = loadUpload(*connection, idText, caller);
  if (upload.spent) refuse(404, st::kUnknownId, "the work of this upload was deleted");
  if (!upload.finished) refuse(409, st::kUploadIncomplete, "the upload's file is not finished yet");

  Transaction transaction(*connection);
  Statement existing(*connection, "SELECT work_id FROM works WHERE upload_id = ?");
  existing.bind(1, upload.id);
  if (existing.step()) {
    // Submitting again (after a restart of either side) publishes nothing twice.
    std::string workId = std::to_string(existing.int64(0));
    return jsonResponse(200, {{"status", st::kProductAlreadyAccepted},
                              {"error", "the product record was already accepted"},
                              {"workId", workId},
                              {"webUrl", url(std::string(wire::path::kWorkPage) + workId)}});
  }
  Statement picture(*connection, "SELECT picture FROM users WHERE user_id = ?");
  picture.bind(1, caller.userId).step();
  Statement insert(*connection,
                   "INSERT INTO works(user_id, upload_id, song_id, song_name, singer_name, singer_id, time_length,"
                   " total, pitch, expression, rhythm, engine_total, type, created, file, picture)"
                   " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.bind(1, caller.userId).bind(2, upload.id).bind(3, product.songId).bind(4, product.songName);
  insert.bind(5, product.singerName).bind(6, product.singerId).bind(7, product.timeLength).bind(8, product.total);
  insert.bind(9, product.pitch).bind(10, product.expression).bind(11, product.rhythm).bind(12, product.engineTotal);
  insert.bind(13, product.type != 0 ? 1 : 0).bind(14, now()).bind(15, upload.file).bind(16, picture.text(0));
  insert.run();
  std::string workId = std::to_string(connection->lastInsertId());
  Statement count(*connection, "UPDATE users SET upload_num = upload_num + 1 WHERE user_id = ?");
  count.bind(1, caller.userId).run();
  transaction.commit();
  // The published work gets its copy for browsers, made in the background.
  playable->request(upload.id, files->localFile(upload.file));
  return okResponse(json(wire::ProductAccepted{workId, url(std::string(wire::path::kWorkPage) + workId)}));
}

}  // namespace vk::service
