OPENQASM 3.0;
qubit[4] q;
bit[2] c;
h q[0];
cnot q[0], q[1];
h q[2];
h q[2];
cnot q[2], q[3];
c[0] = measure q[1];
reset q[1];
c[1] = measure q[3];
reset q[3];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
