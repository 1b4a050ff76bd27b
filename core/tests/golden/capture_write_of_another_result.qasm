OPENQASM 3.0;
qubit[2] q;
bit[2] c;
c[0] = measure q[0];
c[1] = measure q[1];
if (c[0]) {
  x q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0"}
