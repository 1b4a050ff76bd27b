OPENQASM 3.0;
qubit[2] q;
bit[1] c;
c[0] = measure q[0];
if (c[0] == 0) {
  rx(0.5) q[1];
} else {
  cnot q[0], q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
