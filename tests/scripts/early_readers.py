#!/usr/bin/env python3
"""Finds, in the project's shell scripts, a pipe into a reader that may stop before its writer
is done: `head`, `grep -q`/`-m`/`-l`/`-L`, an awk program that exits, a sed script that quits.
Under `pipefail` the writer then dies of SIGPIPE or not, by timing, and the pipeline's status
with it. A writer written `{ WRITER || true; }` is what the script means to tolerate.

    early_readers.py SOURCE_DIR    exit status 1 and one line per place found, else 0
"""
import pathlib
import re
import shlex
import sys

OPERATORS = {'|', '||', '&&', ';', '&', '(', ')', ';;', '|&'}


def logical_lines(text):
    """The script's lines with continuations joined, here-document bodies left out."""
    lines, pending, heredoc_end, start = [], '', None, 0
    for number, line in enumerate(text.splitlines(), 1):
        if heredoc_end is not None:
            if line.strip() == heredoc_end:
                heredoc_end = None
            continue
        here = re.search(r"<<-?\s*['\"]?(\w+)['\"]?", line)
        if here and '<<<' not in line:
            heredoc_end = here.group(1)
        if not pending:
            start = number
        stripped = line.rstrip()
        if stripped.endswith('\\'):
            pending += stripped[:-1] + ' '
        elif re.search(r'(^|[^|])\|\s*$', stripped) or stripped.endswith(('&&', '||')):
            pending += stripped + ' '
        else:
            lines.append((start, pending + line))
            pending = ''
    return lines


def tokens_of(line):
    lexer = shlex.shlex(line, posix=True, punctuation_chars=';&|()')
    lexer.whitespace_split = True
    lexer.commenters = '#'
    try:
        return list(lexer)
    except ValueError:  # an unbalanced quote: a line this simple reader cannot take apart
        return []


def stops_early(command):
    if not command:
        return False
    name, args = command[0], command[1:]
    if name == 'head':
        return True
    if name == 'grep':
        for arg in args:
            if arg in ('--quiet', '--silent', '--files-with-matches', '--files-without-match') or \
               arg.startswith('--max-count'):
                return True
            if re.fullmatch(r'-[A-Za-z]*[qmlL][A-Za-z0-9]*', arg):
                return True
        return False
    if name == 'awk':
        return any(re.search(r'\bexit\b', arg) for arg in args if not arg.startswith('-'))
    if name == 'sed':
        return any(re.search(r'(^|[;{}\s])q\s*\d*\s*($|[;}])', arg) for arg in args if not arg.startswith('-'))
    return False


def tolerated_writer(tokens, pipe_at):
    """`{ WRITER || true; } | READER`: the writer's status is meant not to count."""
    return tokens[max(0, pipe_at - 4):pipe_at] == ['||', 'true', ';', '}']


def findings(path):
    for number, line in logical_lines(path.read_text(errors='replace')):
        tokens = tokens_of(line)
        for i, token in enumerate(tokens):
            if token not in ('|', '|&'):
                continue
            command = []
            for word in tokens[i + 1:]:
                if word in OPERATORS:
                    break
                if word in ('{', '!', 'if', 'then', 'do', 'while') and not command:
                    continue
                command.append(word)
            if stops_early(command) and not tolerated_writer(tokens, i):
                yield number, ' '.join(command)


def main():
    root = pathlib.Path(sys.argv[1])
    scripts = [p for p in root.rglob('*.sh') if 'build' not in p.relative_to(root).parts]
    scripts += [p for p in [root / '.ci' / 'run'] if p.exists()]
    found = 0
    for path in sorted(scripts):
        for number, command in findings(path):
            print(f'{path.relative_to(root)}:{number}: a pipe into `{command}`, which may stop before its writer')
            found += 1
    print(f'{len(scripts)} scripts read, {found} pipes into an early reader')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
