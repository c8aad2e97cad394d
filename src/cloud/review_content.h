#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <map>
#include <vector>

namespace lumbex {

class ReviewPages;

// "2024-05-01 13:45:10": the instant in UTC, whole seconds, no zone designator.
QString reviewDate(Date date);

// The picture of one image as the review shows it: annotations and redactions applied, at most
// ReviewPage::pictureDensity pixels per point of its place on the page, on white. Throws
// "An original image is missing. The previous mobile review has been kept." when `original` does
// not decode.
QImage reviewPicture(const CaptureNote& note, const Media& media, const QByteArray& original);

// Writes the whole review of `note` into `pages`, from the title to the omitted-frames line.
// `pictures` holds reviewPicture of every visible image, in order.
void layOutReview(ReviewPages& pages, const CaptureNote& note, const std::vector<Media>& visible,
                  const std::vector<QImage>& pictures);

} // namespace lumbex
