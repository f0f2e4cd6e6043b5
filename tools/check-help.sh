#!/usr/bin/env bash
# Checks a compiled help file against the help sources it was made from.
#
#   tools/check-help.sh CHMFILE SRCDIR
#
# Reads CHMFILE with libchm-bin's extract_chmLib and checks that:
#   - every file of SRCDIR that goes into the help (topics, stylesheet,
#     contents, index) is in it, byte for byte the cp1250 form of its source,
#     and so is every file that the project's [FILES] lists;
#   - the help's header names the project's contents, index, default topic,
#     title and language;
#   - its table of contents holds exactly the entries of the sources' .hhc, in
#     order and at their levels, each titled as its topic, and every topic is
#     in it;
#   - its index holds exactly the keywords of the sources' .hhk with their
#     targets (also its binary keyword index, if it has one, which the viewer
#     would show instead);
#   - every link, image and target of a topic, the contents and the index
#     names a file (and an anchor) inside the help.
# Prints what it checked; exits 1 naming every difference.
set -euo pipefail
# Byte-wise tools whatever the caller's locale: the help's texts are cp1250.
export LC_ALL=C

die() {
    echo "check-help: $*" >&2
    exit 1
}

[ $# -eq 2 ] || {
    echo "usage: $0 CHMFILE SRCDIR" >&2
    exit 2
}
chm=$1
src=$2
[ -f "$chm" ] || die "no file $chm"
[ -d "$src" ] || die "no source folder $src"
command -v extract_chmLib >/dev/null || die "extract_chmLib not found (Debian package libchm-bin)"

work=$(mktemp -d "${TMPDIR:-/tmp}/check-help.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/chm" "$work/src"

shopt -s nullglob
projects=("$src"/*.hhp)
[ ${#projects[@]} -eq 1 ] || die "$src must hold exactly one .hhp project, it holds ${#projects[@]}"
for f in "$src"/*.html "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp "$src"/*.css; do
    iconv -f UTF-8 -t CP1250 "$f" >"$work/src/$(basename "$f")" ||
        die "$f cannot be converted to cp1250"
done

# extract_chmLib says nothing useful on success and exits 0 even on some
# unreadable files; an empty result is caught below.
extract_chmLib "$chm" "$work/chm" >"$work/extract.log" 2>&1 ||
    { cat "$work/extract.log" >&2; die "extract_chmLib could not read $chm"; }
[ -f "$work/chm/#SYSTEM" ] || die "$chm has no #SYSTEM: not a compiled help file"

perl - "$work/chm" "$work/src" "$(basename "${projects[0]}")" <<'PERL'
use strict;
use warnings;

my ($chm, $src, $hhp) = @ARGV;
my @problems;
# Messages are cp1250 text, like everything they quote.
sub problem { push @problems, join('', @_); }

# cp1250 as characters, without a module: the messages are printed in
# UTF-8, and the binary index holds its keywords in UTF-16.
my @cp1250 = map { chr } 0 .. 127;
# The upper half of cp1250 as Unicode, so that no module is needed.
my @upper = (0x20AC,0xFFFD,0x201A,0xFFFD,0x201E,0x2026,0x2020,0x2021,0xFFFD,0x2030,0x0160,0x2039,0x015A,0x0164,0x017D,0x0179,
             0xFFFD,0x2018,0x2019,0x201C,0x201D,0x2022,0x2013,0x2014,0xFFFD,0x2122,0x0161,0x203A,0x015B,0x0165,0x017E,0x017A,
             0x00A0,0x02C7,0x02D8,0x0141,0x00A4,0x0104,0x00A6,0x00A7,0x00A8,0x00A9,0x015E,0x00AB,0x00AC,0x00AD,0x00AE,0x017B,
             0x00B0,0x00B1,0x02DB,0x0142,0x00B4,0x00B5,0x00B6,0x00B7,0x00B8,0x0105,0x015F,0x00BB,0x013D,0x02DD,0x013E,0x017C,
             0x0154,0x00C1,0x00C2,0x0102,0x00C4,0x0139,0x0106,0x00C7,0x010C,0x00C9,0x0118,0x00CB,0x011A,0x00CD,0x00CE,0x010E,
             0x0110,0x0143,0x0147,0x00D3,0x00D4,0x0150,0x00D6,0x00D7,0x0158,0x016E,0x00DA,0x0170,0x00DC,0x00DD,0x0162,0x00DF,
             0x0155,0x00E1,0x00E2,0x0103,0x00E4,0x013A,0x0107,0x00E7,0x010D,0x00E9,0x0119,0x00EB,0x011B,0x00ED,0x00EE,0x010F,
             0x0111,0x0144,0x0148,0x00F3,0x00F4,0x0151,0x00F6,0x00F7,0x0159,0x016F,0x00FA,0x0171,0x00FC,0x00FD,0x0163,0x02D9);
push @cp1250, map { chr } @upper;
my %cp1250_byte = map { $cp1250[$_] => chr $_ } 0 .. 255;
sub cp1250_chars { return join '', map { ord() < 256 ? $cp1250[ord] : $_ } split //, $_[0]; }
sub cp1250_bytes { return join '', map { $cp1250_byte{$_} // sprintf('<U+%04X>', ord) } split //, $_[0]; }


sub slurp {
    my ($path) = @_;
    open(my $fh, '<:raw', $path) or return undef;
    local $/;
    my $data = <$fh>;
    close $fh;
    return $data;
}

sub unescape {
    my ($s) = @_;
    $s =~ s/&#x([0-9a-fA-F]+);/chr(hex $1)/ge;
    $s =~ s/&#(\d+);/chr($1)/ge;
    $s =~ s/&quot;/"/g; $s =~ s/&lt;/</g; $s =~ s/&gt;/>/g; $s =~ s/&amp;/&/g;
    return $s;
}

# --- the project -----------------------------------------------------------
my $project = slurp("$src/$hhp");
$project =~ s/\r//g;
my (%option, @files);
my $section = '';
for my $line (split /\n/, $project) {
    next if $line =~ /^\s*;/ || $line =~ /^\s*$/;
    if ($line =~ /^\[(.+)\]\s*$/) { $section = uc $1; next; }
    if ($section eq 'OPTIONS' && $line =~ /^([^=]+)=(.*)$/) { $option{lc $1} = $2; }
    push @files, $line if $section eq 'FILES';
}
my $contents = $option{'contents file'} // '';
my $index = $option{'index file'} // '';
problem("$hhp names no Contents file") unless $contents;
problem("$hhp names no Index file") unless $index;

# --- files -----------------------------------------------------------------
opendir(my $dh, $src) or die "cannot read $src: $!";
my @sources = sort grep { /\.(html|css|hhc|hhk)$/ } readdir $dh;
closedir $dh;
my @topics = grep { /\.html$/ } @sources;
my %checked;
for my $name (@sources, @files) {
    next if $checked{$name}++;
    my $inside = slurp("$chm/$name");
    my $wanted = slurp("$src/$name");
    if (!defined $inside) { problem("$name is not in the help"); next; }
    if (!defined $wanted) { problem("$name, listed in [FILES], has no source"); next; }
    problem("$name in the help differs from the cp1250 form of its source") if $inside ne $wanted;
}
printf "check-help: compared %d files (%d topics) of the help with the cp1250 form of their sources\n",
    scalar(keys %checked), scalar(@topics);

# --- the header (#SYSTEM) --------------------------------------------------
my $system = slurp("$chm/#SYSTEM");
my %record;
for (my $at = 4; $at + 4 <= length $system;) {
    my ($code, $size) = unpack('vv', substr($system, $at, 4));
    $record{$code} = substr($system, $at + 4, $size);
    $at += 4 + $size;
}
sub text_record { my ($r) = @_; defined $r or return undef; $r =~ s/\0.*//s; return $r; }
my %header = (
    'contents file' => [0, $contents],
    'index file' => [1, $index],
    'default topic' => [2, $option{'default topic'} // ''],
    'title' => [3, $option{'title'} // ''],
);
for my $what (sort keys %header) {
    my ($code, $wanted) = @{$header{$what}};
    my $got = text_record($record{$code});
    if (!defined $got) { problem("the help's header names no $what"); next; }
    problem("the help's header names the $what \"$got\", the project \"$wanted\"") if $got ne $wanted;
}
my ($wanted_lcid) = ($option{'language'} // '') =~ /^(0x[0-9a-fA-F]+)/;
my $lcid = defined $record{4} ? unpack('V', $record{4}) : -1;
if (!defined $wanted_lcid) { problem("$hhp names no Language"); }
elsif ($lcid != hex $wanted_lcid) { problem(sprintf("the help's language is 0x%x, the project's %s", $lcid, $wanted_lcid)); }
print "check-help: compared the header's contents, index, default topic, title and language with $hhp\n";

# --- links -----------------------------------------------------------------
my %ids;    # file -> { anchor -> 1 }
sub anchors {
    my ($file) = @_;
    return $ids{$file} if $ids{$file};
    my %found;
    my $text = slurp("$chm/$file") // '';
    $found{$1} = 1 while $text =~ /\b(?:id|name)\s*=\s*"([^"]*)"/gi;
    return $ids{$file} = \%found;
}
# Checks that a target inside the help exists ("where" tells whose it is):
# 0 for a target outside the help, which is not checked; 1 for one checked,
# with its file there or not.
sub resolve {
    my ($where, $target, $base) = @_;
    return 0 if $target =~ /^[a-z][a-z0-9+.-]*:/i;    # another site or program
    my ($file, $anchor) = $target =~ /^([^#]*)(?:#(.*))?$/;
    $file = $base if $file eq '';
    if (! -f "$chm/$file") { problem("$where: $target names no file in the help"); return 1; }
    if (defined $anchor && $anchor ne '' && !anchors($file)->{$anchor}) {
        problem("$where: $target names no anchor in $file");
    }
    return 1;
}
my ($links, $images) = (0, 0);
for my $topic (@topics) {
    my $text = slurp("$chm/$topic") // next;
    while ($text =~ /<(a|img|link)\b([^>]*)>/gi) {
        my ($tag, $attrs) = (lc $1, $2);
        my $attr = $tag eq 'img' ? 'src' : 'href';
        next unless $attrs =~ /\b$attr\s*=\s*"([^"]*)"/i;
        my $n = resolve($topic, unescape($1), $topic);
        if ($tag eq 'img') { $images += $n } else { $links += $n }
    }
}
for my $sheet (grep { /\.css$/ } @sources) {
    my $text = slurp("$chm/$sheet") // next;
    $images += resolve($sheet, $1, $sheet) while $text =~ /url\(\s*["']?([^"')]+)["']?\s*\)/gi;
}
print "check-help: looked up $links links and $images images of the topics inside the help\n";

# --- contents and index ----------------------------------------------------
# A sitemap as lines "level<TAB>name<TAB>local", in order.
sub sitemap {
    my ($text) = @_;
    my @entries;
    my $level = 0;
    while ($text =~ /(<UL>|<\/UL>|<OBJECT\s+type="text\/sitemap">(.*?)<\/OBJECT>)/gis) {
        my ($token, $body) = ($1, $2);
        if ($token =~ /^<UL>$/i) { $level++; next; }
        if ($token =~ /^<\/UL>$/i) { $level--; next; }
        my %param;
        my @locals;
        while ($body =~ /<param\s+name="([^"]*)"\s+value="([^"]*)"\s*\/?>/gi) {
            my ($k, $v) = (lc $1, $2);
            if ($k eq 'local') { push @locals, $v; } else { $param{$k} //= $v; }
        }
        push @entries, join("\t", $level, $param{name} // '', join(' ', @locals));
    }
    return @entries;
}
sub compare_lists {
    my ($what, $got, $wanted) = @_;
    my $n = @$got > @$wanted ? @$got : @$wanted;
    my $differences = 0;
    for my $i (0 .. $n - 1) {
        my $g = $got->[$i] // '(none)';
        my $w = $wanted->[$i] // '(none)';
        next if $g eq $w;
        (my $gs = $g) =~ s/\t/ | /g;
        (my $ws = $w) =~ s/\t/ | /g;
        problem("$what entry ", $i + 1, ": the help has \"$gs\", the sources \"$ws\"");
        last if ++$differences >= 10;
    }
}

my @toc = sitemap(slurp("$chm/$contents") // '');
my @toc_wanted = sitemap(slurp("$src/$contents") // '');
problem("the help's contents are empty") unless @toc;
compare_lists('contents', \@toc, \@toc_wanted);
my %in_toc;
for my $entry (@toc) {
    my (undef, $name, $local) = split /\t/, $entry, -1;
    next if $local eq '';
    resolve("contents \"$name\"", $local, '') or next;
    (my $file = $local) =~ s/#.*//;
    $in_toc{$file} = 1;
    my $page = slurp("$chm/$file") // next;
    my ($title) = $page =~ /<title>(.*?)<\/title>/is;
    problem("contents \"$name\": $file is titled \"", $title // '', "\"")
        if !defined $title || unescape($title) ne unescape($name);
}
problem("$_ is in no entry of the contents") for grep { !$in_toc{$_} } @topics;
printf "check-help: compared the %d entries of the contents with %s (order, levels, titles, targets)\n",
    scalar(@toc_wanted), $contents;

my @keys = sitemap(slurp("$chm/$index") // '');
my @keys_wanted = sitemap(slurp("$src/$index") // '');
problem("the help's index is empty") unless @keys;
compare_lists('index', \@keys, \@keys_wanted);
my %by_index;
for my $entry (@keys) {
    my (undef, $name, $locals) = split /\t/, $entry, -1;
    problem("index \"$name\" has no target") if $locals eq '';
    for my $local (split / /, $locals) {
        resolve("index \"$name\"", $local, '');
        (my $file = $local) =~ s/#.*//;
        $by_index{$file} = 1;
    }
}
problem("$_ is the target of no keyword of the index") for grep { !$by_index{$_} } @topics;
printf "check-help: compared the %d keywords of the index and their targets with %s\n",
    scalar(@keys_wanted), $index;

# --- the binary keyword index ----------------------------------------------
# When the help has one, the viewer shows it rather than the .hhk: each of its
# keywords (UTF-16) must be one of the sources' with the same target.
my $btree = slurp("$chm/\$WWKeywordLinks/BTree");
if (defined $btree) {
    my $topics_table = slurp("$chm/#TOPICS") // '';
    my $urltbl = slurp("$chm/#URLTBL") // '';
    my $urlstr = slurp("$chm/#URLSTR") // '';
    my %wanted;
    for my $entry (@keys_wanted) {
        my (undef, $name, $locals) = split /\t/, $entry, -1;
        $wanted{cp1250_chars(unescape($name))} = $locals;
    }
    my $url_of_topic = sub {
        my ($i) = @_;
        return undef if 16 * $i + 12 > length $topics_table;
        my (undef, undef, $url_at) = unpack('VVV', substr($topics_table, 16 * $i, 12));
        return undef if $url_at + 12 > length $urltbl;
        my (undef, undef, $str_at) = unpack('VVV', substr($urltbl, $url_at, 12));
        return undef if $str_at + 8 > length $urlstr;
        my ($url) = substr($urlstr, $str_at + 8) =~ /^([^\0]*)/;
        return $url;
    };
    # The header gives the block size and the last of the listing blocks,
    # which come first; chmcmd's blocks do not chain to their next one.
    my ($size) = unpack('v', substr($btree, 4, 2));
    my ($last) = unpack('V', substr($btree, 26, 4));
    my %seen;
    for my $block (0 .. $last) {
        my $at = 76 + $block * $size;
        last if $at + 12 > length $btree;
        my (undef, $count) = unpack('vv', substr($btree, $at, 4));
        my $p = $at + 12;
        for (1 .. $count) {
            my $word = '';
            while ($p + 2 <= length $btree) {
                my $unit = unpack('v', substr($btree, $p, 2));
                $p += 2;
                last if $unit == 0;
                $word .= chr $unit;
            }
            my ($see_also) = unpack('v', substr($btree, $p, 2));
            $p += 12;    # see-also, depth, character index, reserved
            my @urls;
            if ($see_also) {
                $p += 2 while $p + 2 <= length $btree && unpack('v', substr($btree, $p, 2)) != 0;
                $p += 2;
            } else {
                my ($pairs) = unpack('V', substr($btree, $p, 4));
                $p += 4;
                for (1 .. $pairs) {
                    push @urls, $url_of_topic->(unpack('V', substr($btree, $p, 4))) // '?';
                    $p += 4;
                }
            }
            $p += 8;    # a one and the entry's number
            my $shown = cp1250_bytes($word);
            $seen{$word} = 1;
            if (!exists $wanted{$word}) { problem("binary index: keyword \"$shown\" is none of the sources'"); next; }
            my $want = join ' ', sort split / /, $wanted{$word};
            my $got = join ' ', sort @urls;
            problem("binary index: \"$shown\" leads to \"$got\", the sources' to \"$want\"") if $got ne $want;
        }
    }
    for my $word (sort keys %wanted) {
        next if $seen{$word};
        problem("binary index: keyword \"", cp1250_bytes($word), "\" is missing");
    }
    printf "check-help: binary index compared with the %d keywords of %s\n", scalar(keys %wanted), $index;
}

if (@problems) {
    for (@problems) {
        my $line = cp1250_chars($_);
        utf8::encode($line);
        print STDERR "check-help: $line\n";
    }
    printf STDERR "check-help: FAILED, %d difference%s\n", scalar(@problems), @problems == 1 ? '' : 's';
    exit 1;
}
print "check-help: all checks passed\n";
PERL
