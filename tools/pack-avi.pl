#!/usr/bin/perl
# Packs raw RGB frames into an uncompressed 8-bit AVI clip, the kind the
# Win32 animation control plays by itself, without a codec.
#
#   tools/pack-avi.pl WIDTH HEIGHT FPS FRAMES.rgb OUT.avi
#
# FRAMES.rgb holds the frames back to back, 3 bytes a pixel, top row first
# (ImageMagick's rgb: output). All frames share one palette: the colours in
# the order they first appear, so the first pixel's colour (the one a
# transparent control leaves out) is entry 0. The same input always gives
# the same bytes.
use strict;
use warnings;

@ARGV == 5 or die "usage: $0 WIDTH HEIGHT FPS FRAMES.rgb OUT.avi\n";
my ($width, $height, $fps, $in, $out) = @ARGV;
for ($width, $height, $fps) {
    /^[1-9][0-9]*$/ or die "pack-avi: '$_' is not a positive whole number\n";
}

open my $fh, '<:raw', $in or die "pack-avi: $in: $!\n";
my $rgb = do { local $/; <$fh> };
close $fh;
my $frame_bytes = $width * $height * 3;
length($rgb) && length($rgb) % $frame_bytes == 0
    or die "pack-avi: $in: " . length($rgb) . " bytes is not a whole number of ${width}x$height frames\n";
my $frames = length($rgb) / $frame_bytes;

# Every frame as an 8-bit DIB: rows bottom-up, each padded to 4 bytes.
my $stride = ($width + 3) & ~3;
my $pad = "\0" x ($stride - $width);
my (%index, @palette, @dibs);
for my $f (0 .. $frames - 1) {
    my @rows;
    for my $y (0 .. $height - 1) {
        my $row = substr($rgb, ($f * $height + $y) * $width * 3, $width * 3);
        my $dib_row = '';
        for my $c (unpack '(a3)*', $row) {
            unless (exists $index{$c}) {
                @palette < 256
                    or die "pack-avi: frame $f brings the 257th colour; an 8-bit clip holds 256\n";
                $index{$c} = @palette;
                push @palette, $c;
            }
            $dib_row .= chr $index{$c};
        }
        unshift @rows, $dib_row . $pad;
    }
    push @dibs, join '', @rows;
}
my $image_bytes = $stride * $height;

sub chunk {
    my ($id, $data) = @_;
    return $id . pack('V', length $data) . $data . (length($data) % 2 ? "\0" : '');
}
sub list { my ($type, @chunks) = @_; return chunk('LIST', join '', $type, @chunks) }

use constant { AVIF_HASINDEX => 0x10, AVIIF_KEYFRAME => 0x10, BI_RGB => 0 };

my $avih = pack 'V14',
    int(1_000_000 / $fps + 0.5),  # microseconds a frame
    $image_bytes * $fps,          # bytes a second at most
    0, AVIF_HASINDEX, $frames,
    0,                            # initial frames
    1,                            # streams
    $image_bytes,                 # suggested buffer size
    $width, $height, 0, 0, 0, 0;
my $strh = pack 'a4 a4 V v v V V V V V V V V v4',
    'vids', 'DIB ', 0, 0, 0,
    0, 1, $fps,                   # initial frames; rate = $fps / 1
    0, $frames, $image_bytes,
    0xFFFFFFFF,                   # quality: the default
    0,                            # sample size: one frame a chunk
    0, 0, $width, $height;        # rcFrame
my $strf = pack('V l l v v V V l l V V',
    40, $width, $height, 1, 8, BI_RGB, $image_bytes, 0, 0, scalar @palette, 0)
    . join '', map { pack 'C4', reverse(unpack 'C3', $_), 0 } @palette;

# Index offsets count from the 'movi' fourcc of the frames' list.
my ($offset, $idx1) = (4, '');
for my $dib (@dibs) {
    $idx1 .= pack 'a4 V V V', '00db', AVIIF_KEYFRAME, $offset, length $dib;
    $offset += 8 + length $dib;
}

my $riff = join '',
    list('hdrl', chunk('avih', $avih), list('strl', chunk('strh', $strh), chunk('strf', $strf))),
    list('movi', map { chunk('00db', $_) } @dibs),
    chunk('idx1', $idx1);
open my $oh, '>:raw', $out or die "pack-avi: $out: $!\n";
print $oh 'RIFF', pack('V', 4 + length $riff), 'AVI ', $riff;
close $oh or die "pack-avi: $out: $!\n";
