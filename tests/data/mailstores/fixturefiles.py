"""What both fixture makers here share: where they write and read, and how."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, '..', 'corpus')


def corpus(name):
    with open(os.path.join(CORPUS, name), 'rb') as f:
        return f.read()


def write(rel, data):
    path = os.path.join(HERE, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)
    print(f'{len(data):7d}  {rel}')
